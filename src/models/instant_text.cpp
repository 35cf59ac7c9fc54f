#include "models/instant_text.h"

#include <QLocale>

namespace InstantText {

QString iso(const QDateTime& instant)
{
    return instant.isValid() ? instant.toUTC().toString(Qt::ISODate) : QString();
}

QString clock(const QDateTime& instant)
{
    return instant.isValid()
               ? QLocale::system().toString(instant.toLocalTime(), QStringLiteral("HH:mm"))
               : QString();
}

} // namespace InstantText
