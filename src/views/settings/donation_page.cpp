#include "views/settings/donation_page.h"

#include "build_config.h"

#include <QDesktopServices>

namespace DonationPage {

std::optional<QUrl> url(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

void open()
{
    if (const std::optional<QUrl> page = url(QString::fromUtf8(BuildConfig::donationUrl)))
        QDesktopServices::openUrl(*page);
}

} // namespace DonationPage
