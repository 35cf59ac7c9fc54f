#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

// The outcome of decoding a body: a value, or the decoder's description of the fault.
struct JsonDecodeResult {
    std::optional<QJsonValue> value;
    QString error;
};

// Decodes any JSON text, top-level scalars included (QJsonDocument takes only objects
// and arrays, yet "42" is valid JSON and must be told apart from malformed text).
JsonDecodeResult decodeJson(const QByteArray& body);
