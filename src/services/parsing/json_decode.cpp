#include "services/parsing/json_decode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

JsonDecodeResult decodeJson(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error == QJsonParseError::NoError) {
        if (document.isObject())
            return {QJsonValue(document.object()), {}};
        return {QJsonValue(document.array()), {}};
    }
    // A body that is exactly one JSON value becomes a one-element array when bracketed.
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + body + ']');
    if (wrapped.isArray() && wrapped.array().size() == 1)
        return {wrapped.array().first(), {}};
    return {std::nullopt, parseError.errorString()};
}
