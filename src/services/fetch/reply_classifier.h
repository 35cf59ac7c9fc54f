#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QString>

#include <optional>

class QNetworkReply;

// The web API's two requests, and the OAuth usage request made with Claude Code's sign-in.
enum class RequestKind { organizations, usage, oauthUsage };

// What a finished reply told us, independent of Qt's reply object.
struct ReplyFacts {
    bool tooLarge = false;
    // A failure below HTTP (connection refused, dropped, timed out, TLS); errorText says which.
    bool transportError = false;
    QString errorText;
    std::optional<int> status;
    QByteArray body;
    // Raw header values the classification looks at; empty when absent.
    QByteArray contentType;
    QByteArray mitigated;
    QByteArray retryAfter;
    // What the response set, for renewing the stored session.
    QList<QNetworkCookie> setCookies;
};

// Why a source refused where the other source may still answer: its sign-in, a block of
// this network or program, a rate limit.
enum class Refusal { none, signIn, blocked, rateLimited };

// What the service does with a reply: fail with a message, or decode the body.
struct ReplyStep {
    enum class Action { fail, decode };
    Action action = Action::fail;
    QString message;
    Refusal refusal = Refusal::none;
    bool forgetOrganization = false;
    // Claude Code's token was refused: it is not sent again until the file changes.
    bool rejectToken = false;
    // The line printed for an unexpected status, when its body is UTF-8 text.
    std::optional<QString> diagnostic;
    // A rate-limit answer's Retry-After value (empty when absent), for the pause.
    std::optional<QByteArray> retryAfter;
};

ReplyStep classifyReply(RequestKind kind, const ReplyFacts& facts);

ReplyFacts readReplyFacts(QNetworkReply& reply, bool tooLarge, QByteArray body);
