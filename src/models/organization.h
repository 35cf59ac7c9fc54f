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

// The organization to read: the chosen one while the service still lists it, otherwise
// the first; nothing for an empty list.
std::optional<Organization> choose(const QList<Organization>& listed,
                                   const std::optional<QString>& chosenId);

} // namespace Organizations
