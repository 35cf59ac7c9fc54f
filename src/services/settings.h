#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

// One setting: its key, its default and what it accepts.
struct Setting {
    QString key;
    // Invalid when the default is decided elsewhere ("trayStyle": by the desktop).
    QVariant defaultValue;
    // A text setting's accepted values; empty: any.
    QStringList choices;
    // A number setting must be above zero.
    bool positive = false;
};

// The user's settings, in $XDG_CONFIG_HOME/gaugery/gaugery.conf, declared once in the
// table below. setting() answers with the stored value when the table accepts it and
// the default otherwise; the raw readers answer like the platform defaults Gaugery was
// designed on (an absent or unreadable number is 0, an absent bool false). changed(key)
// follows every write the program makes.
class Settings : public QObject {
    Q_OBJECT

public:
    static inline const QString menuBarMetricKey = QStringLiteral("menuBarMetric");
    static inline const QString refreshIntervalKey = QStringLiteral("refreshInterval");
    static inline const QString launchAtLoginKey = QStringLiteral("launchAtLogin");
    static inline const QString usageAlertsKey = QStringLiteral("usageAlerts");
    static inline const QString trayStyleKey = QStringLiteral("trayStyle");
    static inline const QString organizationIdKey = QStringLiteral("organizationId");
    static inline const QString usageSourceKey = QStringLiteral("usageSource");
    // Where the first account's session was imported from (Accounts::desktopAppOrigin);
    // absent for a browser or a pasted cookie.
    static inline const QString cookieOriginKey = QStringLiteral("cookieOrigin");
    // The accounts watched, an array (AccountStore); absent: the first one alone.
    static inline const QString accountsKey = QStringLiteral("accounts");
    // The account whose figure the tray shows, or "highest" for the highest of all.
    static inline const QString trayAccountKey = QStringLiteral("trayAccount");
    // The highest N of an "accountN" id handed out, so no id is handed out twice.
    static inline const QString lastAccountNumberKey = QStringLiteral("lastAccountNumber");
    // Not a setting: the alerts already posted, so a restart does not post them again.
    static inline const QString notifiedThresholdsKey = QStringLiteral("notifiedThresholds");

    static const QList<Setting>& settings();

    // The process-wide settings at the fixed path.
    static Settings& instance();

    // Settings kept in the given file, for tests.
    explicit Settings(const QString& fileName, QObject* parent = nullptr);

    bool contains(const QString& key) const;
    // A setting of the table, checked against it.
    QVariant setting(const QString& key) const;
    double doubleForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    QStringList stringListForKey(const QString& key) const;

    // Entries an array can hold: an edited "size" far beyond them costs nothing then.
    static constexpr int maxArrayEntries = 64;

    // A QSettings array ("accounts/size", "accounts/1/id", ...), an entry a map of its keys:
    // the entries up to the last one holding keys, at most maxArrayEntries, whatever
    // "size" says.
    QList<QVariantMap> array(const QString& key) const;
    void setArray(const QString& key, const QList<QVariantMap>& entries);

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

Q_SIGNALS:
    void changed(const QString& key);

private:
    Settings();

    std::unique_ptr<QSettings> m_settings;
};
