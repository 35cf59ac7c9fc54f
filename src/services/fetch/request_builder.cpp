#include "services/fetch/request_builder.h"

#include <algorithm>

namespace {

// Same-origin redirects only, no cookie jar either way, a bounded transfer.
void limit(QNetworkRequest& request)
{
    request.setTransferTimeout(RequestBuilder::transferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::SameOriginRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
}

} // namespace

RequestBuilder::RequestBuilder(QUrl origin, QUrl apiOrigin)
    : m_origin(std::move(origin)),
      m_originText(m_origin.toString(QUrl::StripTrailingSlash | QUrl::FullyEncoded)),
      m_apiOrigin(std::move(apiOrigin))
{
}

QUrl RequestBuilder::organizationsUrl() const
{
    return QUrl(m_originText + QStringLiteral("/api/organizations"), QUrl::StrictMode);
}

std::optional<QUrl> RequestBuilder::usageUrl(const QString& organizationId) const
{
    // The identifier goes in as received; an identifier that changes the URL's shape
    // or leaves the origin is refused rather than followed.
    const QUrl url(m_originText + QStringLiteral("/api/organizations/") + organizationId +
                       QStringLiteral("/usage"),
                   QUrl::StrictMode);
    if (!url.isValid() || !isSameOrigin(url))
        return std::nullopt;
    return url;
}

QNetworkRequest RequestBuilder::createRequest(const QUrl& url, const QString& cookie) const
{
    QNetworkRequest request(url);
    const QByteArray origin = m_originText.toUtf8();
    request.setRawHeader("Cookie", cookie.toUtf8());
    request.setRawHeader("User-Agent",
                         "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 "
                         "(KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36");
    request.setRawHeader("Origin", origin);
    request.setRawHeader("Referer", origin + "/settings/usage");
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("Accept-Language", "en-US,en;q=0.9");
    request.setRawHeader("Sec-Fetch-Dest", "empty");
    request.setRawHeader("Sec-Fetch-Mode", "cors");
    request.setRawHeader("Sec-Fetch-Site", "same-origin");
    // The cookie header is the user's text alone: nothing from a jar joins it, and what
    // a response sets reaches the stored header only through CookieRenewal.
    limit(request);
    return request;
}

QNetworkRequest RequestBuilder::createOAuthUsageRequest(const QString& token,
                                                        const QByteArray& userAgent) const
{
    QNetworkRequest request(
        QUrl(m_apiOrigin.toString(QUrl::StripTrailingSlash) + QStringLiteral("/api/oauth/usage")));
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    request.setRawHeader("anthropic-beta", "oauth-2025-04-20");
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("User-Agent", userAgent);
    limit(request);
    return request;
}

bool RequestBuilder::isSameOrigin(const QUrl& url) const
{
    const auto port = [](const QUrl& u) {
        return u.port(u.scheme() == QLatin1String("https") ? 443 : 80);
    };
    return url.scheme() == m_origin.scheme() && url.host() == m_origin.host() &&
           port(url) == port(m_origin);
}

bool RequestBuilder::isHeaderSafe(const QString& cookie)
{
    return std::none_of(cookie.begin(), cookie.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029;
    });
}
