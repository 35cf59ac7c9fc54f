#include "services/browser_cookie_reading.h"

CookieRows::Choice CookieRows::newest(const QList<CookieRow>& rows, const QByteArray& name,
                                      const QStringList& hosts, const QDateTime& now)
{
    Choice choice;
    for (const CookieRow& row : rows) {
        if (row.name != name || !hosts.contains(QString::fromUtf8(row.host)))
            continue;
        if (row.expires.isValid() && row.expires <= now) {
            choice.onlyExpired = !choice.row;
            continue;
        }
        if (!choice.row || row.lastUsed > choice.row->lastUsed)
            choice.row = row;
        choice.onlyExpired = false;
    }
    return choice;
}
