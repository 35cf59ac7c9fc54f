#include "services/fetch/reply_classifier.h"

#include "services/fetch/fetch_messages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QStringDecoder>

#include <algorithm>

namespace {

ReplyStep fail(QString message, Refusal refusal = Refusal::none)
{
    ReplyStep step;
    step.message = std::move(message);
    step.refusal = refusal;
    return step;
}

// A 403 means the session only when the service says so; its other 403s refuse the
// network or the program ("permission_error", a block page) and the cookie is fine.
bool saysSignInInvalid(const QByteArray& body)
{
    const QJsonObject error = QJsonDocument::fromJson(body).object().value(u"error").toObject();
    if (error.value(u"type").toString() == QLatin1String("authentication_error"))
        return true;
    const QString said = (error.value(u"message").toString() + u' ' +
                          error.value(u"details").toObject().value(u"error_code").toString())
                             .toLower();
    const bool whose =
        said.contains(u"session") || said.contains(u"authoriz") || said.contains(u"authentic");
    return whose && (said.contains(u"invalid") || said.contains(u"expired"));
}

// The bot-protection front answers a challenge instead of the API: marked by a header,
// or an HTML page where JSON was expected.
bool isChallenge(const ReplyFacts& facts)
{
    if (facts.mitigated.trimmed().compare("challenge", Qt::CaseInsensitive) == 0)
        return true;
    const bool html = facts.contentType.trimmed().toLower().startsWith("text/html") ||
                      facts.body.trimmed().startsWith('<');
    return html && (facts.body.contains("cf-chl") || facts.body.contains("challenge-platform") ||
                    facts.body.contains("Just a moment..."));
}

// A diagnostic line shows this much of a body, on one line whatever the server sent.
constexpr qsizetype diagnosticChars = 300;

QString escapedControls(QStringView text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
                 c.category() == QChar::Separator_Paragraph)
            out += QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

std::optional<QString> diagnosticLine(RequestKind kind, const QByteArray& body)
{
    if (body.isEmpty())
        return std::nullopt;
    // Only the bytes the characters shown can take; a character cut at their end is
    // pending in the decoder, not an error.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(
        QByteArrayView(body).first(std::min<qsizetype>(body.size(), diagnosticChars * 4)));
    if (decoder.hasError())
        return std::nullopt;
    qsizetype shown = std::min(text.size(), diagnosticChars);
    if (shown > 0 && text.at(shown - 1).isHighSurrogate())
        --shown;
    const bool cut = shown < text.size() || body.size() > diagnosticChars * 4;
    const QString prefix = kind == RequestKind::organizations
                               ? QStringLiteral("Error response: ")
                               : QStringLiteral("Usage error response: ");
    return prefix + escapedControls(QStringView(text).first(shown)) +
           (cut ? QStringLiteral("…") : QString());
}

// Qt turns HTTP error statuses into reply errors too; those are answers, not transport
// failures. A redirect Qt refused to follow is an answer as well (its 3xx status).
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::NoError:
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return false;
    default:
        return error < QNetworkReply::ContentAccessDenied;
    }
}

QString transportDescription(const QNetworkReply& reply)
{
    // The transfer timeout is Qt's only abort we do not make ourselves.
    if (reply.error() == QNetworkReply::OperationCanceledError)
        return FetchMessages::timedOut();
    return reply.errorString();
}

} // namespace

ReplyStep classifyReply(RequestKind kind, const ReplyFacts& facts)
{
    if (facts.tooLarge)
        return fail(FetchMessages::responseTooLarge());
    if (facts.transportError)
        return fail(FetchMessages::networkError(facts.errorText));
    if (!facts.status)
        return fail(FetchMessages::invalidResponse());
    const int status = *facts.status;
    if (status == 403 && isChallenge(facts))
        return fail(FetchMessages::botProtection(), Refusal::blocked);
    if (kind == RequestKind::oauthUsage && (status == 401 || status == 403)) {
        // 403: a token without the user:profile scope.
        ReplyStep step = fail(status == 401 ? FetchMessages::claudeCodeExpired()
                                            : FetchMessages::claudeCodeScope(),
                              Refusal::signIn);
        step.rejectToken = status == 401;
        return step;
    }
    if (status == 403 && !saysSignInInvalid(facts.body))
        return fail(FetchMessages::refusedNetwork(), Refusal::blocked);
    if (status == 401 || status == 403) {
        if (kind == RequestKind::organizations)
            return fail(FetchMessages::organizationsUnauthorized(), Refusal::signIn);
        ReplyStep step = fail(FetchMessages::usageUnauthorized(), Refusal::signIn);
        step.forgetOrganization = true;
        return step;
    }
    if (status == 200) {
        ReplyStep step;
        step.action = ReplyStep::Action::decode;
        return step;
    }
    ReplyStep step = fail(FetchMessages::serverError(status));
    step.diagnostic = diagnosticLine(kind, facts.body);
    if (status == 429) {
        step.retryAfter = facts.retryAfter;
        step.refusal = Refusal::rateLimited;
    }
    return step;
}

ReplyFacts readReplyFacts(QNetworkReply& reply, bool tooLarge, QByteArray body)
{
    ReplyFacts facts;
    facts.tooLarge = tooLarge;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        facts.status = status.toInt();
    facts.transportError = isTransportFailure(reply.error()) ||
                           (!facts.status && reply.error() != QNetworkReply::NoError);
    if (facts.transportError)
        facts.errorText = transportDescription(reply);
    facts.body = std::move(body);
    facts.contentType = reply.rawHeader("Content-Type");
    facts.mitigated = reply.rawHeader("cf-mitigated");
    facts.retryAfter = reply.rawHeader("Retry-After");
    facts.setCookies =
        reply.header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>();
    return facts;
}
