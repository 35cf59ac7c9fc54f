#include "models/organization.h"

#include <algorithm>

QString Organization::displayName() const
{
    const QString trimmed = name.trimmed();
    return trimmed.isEmpty() ? id.left(8) : trimmed;
}

namespace Organizations {

std::optional<Organization> choose(const QList<Organization>& listed,
                                   const std::optional<QString>& chosenId)
{
    if (listed.isEmpty())
        return std::nullopt;
    if (!chosenId)
        return listed.first();
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [&](const Organization& o) { return o.id == *chosenId; });
    if (found == listed.end())
        return std::nullopt;
    return *found;
}

} // namespace Organizations
