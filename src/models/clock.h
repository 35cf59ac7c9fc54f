#pragma once

#include <QDateTime>

#include <functional>

// Where "now" comes from wherever time decides something; tests pass a settable one.
using Clock = std::function<QDateTime()>;

inline QDateTime systemClock()
{
    return QDateTime::currentDateTimeUtc();
}
