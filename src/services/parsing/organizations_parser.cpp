#include "services/parsing/organizations_parser.h"

#include "services/parsing/json_decode.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

OrganizationResult parseOrganizations(const QByteArray& body)
{
    const JsonDecodeResult decoded = decodeJson(body);
    if (!decoded.value)
        return {{}, decoded.error};

    const QJsonArray organizations = decoded.value->toArray();
    const bool allObjects = std::all_of(organizations.begin(), organizations.end(),
                                        [](const QJsonValue& value) { return value.isObject(); });
    if (!decoded.value->isArray() || organizations.isEmpty() || !allObjects ||
        !organizations.first().toObject().value(QLatin1String("uuid")).isString())
        return {};

    OrganizationResult result;
    for (const QJsonValue& value : organizations) {
        const QJsonObject organization = value.toObject();
        const QJsonValue uuid = organization.value(QLatin1String("uuid"));
        if (uuid.isString())
            result.organizations.append(
                {uuid.toString(), organization.value(QLatin1String("name")).toString()});
    }
    return result;
}
