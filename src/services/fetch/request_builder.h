#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <optional>

// Builds the requests of the usage fetch: the web API's on the service origin with the
// browser session, and the OAuth usage request on the API origin with Claude Code's token.
class RequestBuilder {
public:
    static constexpr int transferTimeoutMs = 60'000;

    RequestBuilder(QUrl origin, QUrl apiOrigin);

    const QUrl& origin() const { return m_origin; }

    QUrl organizationsUrl() const;
    // Nothing when the identifier does not make a valid URL on the service origin.
    std::optional<QUrl> usageUrl(const QString& organizationId) const;

    // The nine browser-like headers in their fixed order; same-origin redirects only,
    // no cookie jar, 60-second transfer timeout.
    QNetworkRequest createRequest(const QUrl& url, const QString& cookie) const;
    // GET /api/oauth/usage with the bearer token, no cookie, and Claude Code's User-Agent
    // ("claude-code/2.1.74"): the endpoint refuses every other client.
    QNetworkRequest createOAuthUsageRequest(const QString& token,
                                            const QByteArray& userAgent) const;

    // False for a cookie that would break the header: CR, LF, NUL or any other control.
    static bool isHeaderSafe(const QString& cookie);

private:
    bool isSameOrigin(const QUrl& url) const;

    QUrl m_origin;
    QString m_originText;
    QUrl m_apiOrigin;
};
