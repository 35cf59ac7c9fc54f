#include "models/instant_text.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

namespace InstantText {

QString iso(const QDateTime& instant)
{
    return instant.isValid() ? instant.toUTC().toString(Qt::ISODate) : QString();
}

QString timeOfDayPattern()
{
    return timeOfDayPattern(QLocale::system().timeFormat(QLocale::ShortFormat));
}

QString timeOfDayPattern(QString shortTimePattern)
{
    // The C locale's short time has seconds, which no time of day here needs.
    static const QRegularExpression seconds(QStringLiteral("[:.]ss?"));
    // Newer locale data (Qt 6.5 on) puts a narrow no-break space before "AM"; the texts keep
    // the plain space they always had, which scripts reading them expect.
    return shortTimePattern.remove(seconds).replace(QChar(0x202f), u' ');
}

QString monthDayPattern()
{
    return monthDayPattern(QLocale::system().dateFormat(QLocale::LongFormat));
}

QString monthDayPattern(const QString& longDatePattern)
{
    // Qt offers no month-and-day pattern, so it is cut from the long date: from the first
    // day or month field to the last, with what is glued to its end ("日", "."), without
    // the weekday and the year.
    QStringList tokens; // fields ("MMMM"), quoted texts ("'de'") and single characters
    for (qsizetype i = 0, end = 0; i < longDatePattern.size(); i = end) {
        const QChar c = longDatePattern.at(i);
        end = i + 1;
        if (c == u'\'') {
            end = longDatePattern.indexOf(u'\'', end) + 1;
            end = end > 0 ? end : longDatePattern.size();
        } else if (c == u'd' || c == u'M' || c == u'y') {
            while (end < longDatePattern.size() && longDatePattern.at(end) == c)
                ++end;
        }
        tokens.append(longDatePattern.sliced(i, end - i));
    }
    const auto isMonth = [](const QString& t) { return t.front() == u'M'; };
    const auto isDay = [](const QString& t) { return t.front() == u'd' && t.size() <= 2; };
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (isMonth(tokens.at(i)) || isDay(tokens.at(i))) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    const auto glued = [](const QString& t) {
        return !t.front().isSpace() && t.front() != u',' &&
               !QStringLiteral("dMy").contains(t.front());
    };
    while (first >= 0 && last + 1 < tokens.size() && glued(tokens.at(last + 1)))
        ++last;
    const QStringList kept = first < 0 ? QStringList() : tokens.mid(first, last - first + 1);
    if (std::none_of(kept.begin(), kept.end(), isMonth) ||
        std::none_of(kept.begin(), kept.end(), isDay))
        return QStringLiteral("MMM d");
    return kept.join(QString()).replace(QLatin1String("MMMM"), QLatin1String("MMM"));
}

} // namespace InstantText
