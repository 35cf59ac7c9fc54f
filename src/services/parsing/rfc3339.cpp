#include "services/parsing/rfc3339.h"

#include <QTimeZone>

namespace {

class Cursor {
public:
    explicit Cursor(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos == m_text.size(); }

    // Exactly `count` ASCII digits; QChar::isDigit would also take other scripts' digits.
    std::optional<int> digits(int count)
    {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const auto digit = peekDigit();
            if (!digit)
                return std::nullopt;
            value = value * 10 + *digit;
            ++m_pos;
        }
        return value;
    }

    bool take(char16_t c)
    {
        if (atEnd() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }

    bool takeAnyOf(char16_t a, char16_t b) { return take(a) || take(b); }

    // One or more digits, kept to millisecond precision.
    std::optional<int> fractionAsMilliseconds()
    {
        int millis = 0;
        int count = 0;
        while (const auto digit = peekDigit()) {
            if (count < 3)
                millis = millis * 10 + *digit;
            ++count;
            ++m_pos;
        }
        if (count == 0)
            return std::nullopt;
        for (int i = count; i < 3; ++i)
            millis *= 10;
        return millis;
    }

private:
    std::optional<int> peekDigit() const
    {
        if (atEnd())
            return std::nullopt;
        const char16_t c = m_text[m_pos].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        return c - u'0';
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// Seconds east of UTC, from "Z" or "+hh:mm" / "-hh:mm".
std::optional<int> readOffset(Cursor& cursor)
{
    if (cursor.takeAnyOf(u'Z', u'z'))
        return 0;
    int sign = 1;
    if (cursor.take(u'-'))
        sign = -1;
    else if (!cursor.take(u'+'))
        return std::nullopt;
    const auto hours = cursor.digits(2);
    if (!hours || *hours > 23 || !cursor.take(u':'))
        return std::nullopt;
    const auto minutes = cursor.digits(2);
    if (!minutes || *minutes > 59)
        return std::nullopt;
    return sign * (*hours * 3600 + *minutes * 60);
}

} // namespace

std::optional<QDateTime> parseRfc3339(QStringView text)
{
    Cursor cursor(text);
    const auto year = cursor.digits(4);
    if (!year || !cursor.take(u'-'))
        return std::nullopt;
    const auto month = cursor.digits(2);
    if (!month || !cursor.take(u'-'))
        return std::nullopt;
    const auto day = cursor.digits(2);
    if (!day || !cursor.takeAnyOf(u'T', u't'))
        return std::nullopt;
    const auto hour = cursor.digits(2);
    if (!hour || !cursor.take(u':'))
        return std::nullopt;
    const auto minute = cursor.digits(2);
    if (!minute || !cursor.take(u':'))
        return std::nullopt;
    const auto second = cursor.digits(2);
    if (!second)
        return std::nullopt;
    int millis = 0;
    if (cursor.take(u'.')) {
        const auto fraction = cursor.fractionAsMilliseconds();
        if (!fraction)
            return std::nullopt;
        millis = *fraction;
    }
    const auto offset = readOffset(cursor);
    if (!offset || !cursor.atEnd())
        return std::nullopt;

    // QDate and QTime reject a 30 February or a 25th hour; QTime also rejects a leap
    // second (60), which QDateTime cannot hold.
    const QDate date(*year, *month, *day);
    const QTime time(*hour, *minute, *second, millis);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone(*offset)).toUTC();
}
