#include "services/parsing/claude_code_credentials.h"

#include "services/parsing/json_decode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>

namespace ClaudeCodeCredentials {

namespace {

// Its size is a few hundred bytes; anything much larger is not Claude Code's file.
constexpr qint64 maxFileBytes = 1024 * 1024;

// Milliseconds since the epoch; anything QDateTime cannot hold is no instant.
QDateTime instantOf(const QJsonValue& value)
{
    const double ms = value.toDouble(NAN);
    if (!std::isfinite(ms) || std::abs(ms) >= 1e15)
        return {};
    return QDateTime::fromMSecsSinceEpoch(qint64(ms), QTimeZone::utc());
}

} // namespace

QString path(const std::function<QString(const char*)>& environment)
{
    const QString configured = environment("CLAUDE_CONFIG_DIR");
    const QString folder =
        configured.isEmpty() ? environment("HOME") + QStringLiteral("/.claude") : configured;
    return QDir::cleanPath(folder + QStringLiteral("/.credentials.json"));
}

ClaudeCodeRead read(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {std::nullopt, QStringLiteral("no file at ") + path};
    // A FIFO or a device there would block the reader, or never end.
    if (!info.isFile())
        return {std::nullopt, QStringLiteral("not a regular file: ") + path};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, QStringLiteral("cannot read ") + path};
    if (file.size() > maxFileBytes)
        return {std::nullopt, QStringLiteral("too large: ") + path};
    ClaudeCodeRead result = parse(file.readAll());
    if (!result.signIn)
        result.problem += QStringLiteral(" in ") + path;
    return result;
}

ClaudeCodeRead parse(const QByteArray& text)
{
    const JsonDecodeResult decoded = decodeJson(text);
    if (!decoded.value || !decoded.value->isObject())
        return {std::nullopt, QStringLiteral("not a JSON object")};
    const QJsonObject oauth =
        decoded.value->toObject().value(QLatin1String("claudeAiOauth")).toObject();
    const QString token = oauth.value(QLatin1String("accessToken")).toString();
    if (token.isEmpty())
        return {std::nullopt, QStringLiteral("no claudeAiOauth sign-in")};

    ClaudeCodeSignIn signIn;
    signIn.accessToken = token;
    signIn.expiresAt = instantOf(oauth.value(QLatin1String("expiresAt")));
    signIn.signInEndsAt = instantOf(oauth.value(QLatin1String("refreshTokenExpiresAt")));
    for (const QJsonValue& scope : oauth.value(QLatin1String("scopes")).toArray())
        signIn.scopes << scope.toString();
    signIn.subscriptionType = oauth.value(QLatin1String("subscriptionType")).toString();
    return {signIn, {}};
}

QString planName(const QString& subscriptionType)
{
    if (subscriptionType.isEmpty())
        return {};
    return subscriptionType.left(1).toUpper() + subscriptionType.mid(1);
}

} // namespace ClaudeCodeCredentials
