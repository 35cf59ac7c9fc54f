#include "services/organizations_parser.h"

#include "services/fetch_messages.h"
#include "services/json_decode.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

OrganizationResult parseOrganizationId(const QByteArray& body)
{
    const JsonDecodeResult decoded = decodeJson(body);
    if (!decoded.value)
        return {std::nullopt, FetchMessages::organizationsParseFailed(decoded.error)};

    const QJsonArray organizations = decoded.value->toArray();
    const bool allObjects = std::all_of(organizations.begin(), organizations.end(),
                                        [](const QJsonValue& value) { return value.isObject(); });
    if (!decoded.value->isArray() || organizations.isEmpty() || !allObjects)
        return {std::nullopt, FetchMessages::organizationNotFound()};

    const QJsonValue uuid = organizations.first().toObject().value(QLatin1String("uuid"));
    if (!uuid.isString())
        return {std::nullopt, FetchMessages::organizationNotFound()};
    return {uuid.toString(), {}};
}
