#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The page that "Buy Me a Coffee" and "Support Development" open in the browser.
namespace DonationPage {

// The page, when the configured address is an absolute URL.
std::optional<QUrl> url(const QString& address);

// Opens the configured page; a build configured without one opens nothing.
void open();

} // namespace DonationPage
