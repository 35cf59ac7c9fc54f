#pragma once

#include <QList>
#include <QString>

#include <optional>

// One organization the account belongs to, as the service lists it.
struct Organization {
    QString id;
    QString name;

    // The name as shown (text only); a missing or empty one shows the identifier's first
    // eight characters.
    QString displayName() const;

    bool operator==(const Organization&) const = default;
};

namespace Organizations {

// The organization to read: the chosen one, the first when none is chosen; nothing for an
// empty list, and nothing when the chosen one is not listed (never another one's figures
// under the account's name).
std::optional<Organization> choose(const QList<Organization>& listed,
                                   const std::optional<QString>& chosenId);

} // namespace Organizations
