#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

class UsageService;
class UserDefaults;

// The agent's figures on the session bus, at /com/gaugery/app/Usage under the name the
// single instance owns, for status bars (gaugery-status) to read. Read-only properties,
// with PropertiesChanged when they change. Everything but the cookie.
class UsageBusExport : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.gaugery.app.Usage")
    Q_PROPERTY(bool HasData READ hasData)
    Q_PROPERTY(double SessionPercent READ sessionPercent)
    Q_PROPERTY(QString SessionResetsAt READ sessionResetsAt)
    Q_PROPERTY(double WeeklyPercent READ weeklyPercent)
    Q_PROPERTY(QString WeeklyResetsAt READ weeklyResetsAt)
    Q_PROPERTY(double SonnetPercent READ sonnetPercent)
    Q_PROPERTY(QString SonnetResetsAt READ sonnetResetsAt)
    Q_PROPERTY(bool HasOpus READ hasOpus)
    Q_PROPERTY(double OpusPercent READ opusPercent)
    Q_PROPERTY(QString OpusResetsAt READ opusResetsAt)
    Q_PROPERTY(QString LastUpdated READ lastUpdated)
    Q_PROPERTY(QString Error READ error)
    Q_PROPERTY(bool Loading READ loading)
    Q_PROPERTY(bool HasCookie READ hasCookie)
    Q_PROPERTY(QString Metric READ metric)

public:
    static inline const QString objectPath = QStringLiteral("/com/gaugery/app/Usage");
    static inline const QString interfaceName = QStringLiteral("com.gaugery.app.Usage");

    UsageBusExport(UsageService& usage, UserDefaults& defaults, const QDBusConnection& bus,
                   QObject* parent = nullptr);
    ~UsageBusExport() override;

    bool isExported() const { return m_exported; }
    // Every property by its bus name, as a reader gets it from GetAll.
    QVariantMap properties() const;

    bool hasData() const;
    double sessionPercent() const;
    QString sessionResetsAt() const;
    double weeklyPercent() const;
    QString weeklyResetsAt() const;
    double sonnetPercent() const;
    QString sonnetResetsAt() const;
    bool hasOpus() const;
    double opusPercent() const;
    QString opusResetsAt() const;
    QString lastUpdated() const;
    QString error() const;
    bool loading() const;
    bool hasCookie() const;
    QString metric() const;

private:
    void announceChanges();

    UsageService& m_usage;
    UserDefaults& m_defaults;
    QDBusConnection m_bus;
    bool m_exported = false;
    QVariantMap m_announced;
};
