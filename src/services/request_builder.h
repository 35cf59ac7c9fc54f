#pragma once

#include <QNetworkRequest>
#include <QString>
#include <QUrl>

#include <optional>

// Builds the requests of the usage fetch, all on one service origin.
class RequestBuilder {
public:
    static constexpr int transferTimeoutMs = 60'000;

    explicit RequestBuilder(QUrl origin);

    QUrl organizationsUrl() const;
    // Nothing when the identifier does not make a valid URL on the service origin.
    std::optional<QUrl> usageUrl(const QString& organizationId) const;

    // The nine browser-like headers in their fixed order; same-origin redirects only,
    // no cookie jar, 60-second transfer timeout.
    QNetworkRequest createRequest(const QUrl& url, const QString& cookie) const;

    // False for a cookie that would break the header: CR, LF, NUL or any other control.
    static bool isHeaderSafe(const QString& cookie);

private:
    bool isSameOrigin(const QUrl& url) const;

    QUrl m_origin;
    QString m_originText;
};
