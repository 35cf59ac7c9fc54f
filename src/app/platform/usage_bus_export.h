#pragma once

#include "models/tray_presentation.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

class Settings;
class UsageAccounts;
class UsageService;

// The agent's figures on the session bus, at /com/gaugery/app/Usage under the name the
// single instance owns, for status bars (gaugery-status) to read. Read-only properties,
// with PropertiesChanged when they change. Everything but the cookie.
class UsageBusExport : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.gaugery.app.Usage")
    Q_PROPERTY(bool HasData READ hasData)
    // Every window of the snapshot in display order: id, title, subtitle, percent,
    // resetsAt (ISO 8601 UTC, "" when unknown), timeOfDay, note, detail; with more than
    // one account, every account's, each with its account (the id) and accountName.
    Q_PROPERTY(QList<QVariantMap> Windows READ windows)
    // The name of the account whose figure the tray shows; empty with one account.
    Q_PROPERTY(QString Account READ account)
    // Every account: Id, Account (its name), Error, LastUpdated, HasData, HasCookie,
    // Loading, as the properties of the same names say them of the tray's account.
    Q_PROPERTY(QList<QVariantMap> Accounts READ accountStates)
    // What the tray shows: the window, "42%" and low, warning or critical.
    Q_PROPERTY(QString ShownWindow READ shownWindow)
    Q_PROPERTY(QString Figure READ figure)
    Q_PROPERTY(QString Severity READ severity)
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
    UsageBusExport(UsageAccounts& accounts, Settings& defaults, const QDBusConnection& bus,
                   QObject* parent = nullptr);
    ~UsageBusExport() override;

    // What the tray item shows now.
    void setPresentation(const TrayPresentation& presentation);

    bool isExported() const { return m_exported; }
    // Every property by its bus name, as a reader gets it from GetAll.
    QVariantMap properties() const;

    bool hasData() const;
    QList<QVariantMap> windows() const;
    QString account() const;
    QList<QVariantMap> accountStates() const;
    QString shownWindow() const { return m_presentation.shownWindow; }
    QString figure() const { return m_presentation.figureText; }
    QString severity() const;
    double sessionPercent() const { return percentOf(UsageWindows::sessionId); }
    QString sessionResetsAt() const { return resetOf(UsageWindows::sessionId); }
    double weeklyPercent() const { return percentOf(UsageWindows::weeklyId); }
    QString weeklyResetsAt() const { return resetOf(UsageWindows::weeklyId); }
    double sonnetPercent() const { return percentOf(UsageWindows::sonnetId); }
    QString sonnetResetsAt() const { return resetOf(UsageWindows::sonnetId); }
    bool hasOpus() const;
    double opusPercent() const { return percentOf(UsageWindows::opusId); }
    QString opusResetsAt() const { return resetOf(UsageWindows::opusId); }
    QString lastUpdated() const;
    QString error() const;
    bool loading() const;
    bool hasCookie() const;
    QString metric() const;

private:
    // The service of the account the tray shows.
    const UsageService& shown() const;
    std::optional<WindowFigure> figureOf(const QString& id) const;
    double percentOf(const QString& id) const;
    QString resetOf(const QString& id) const;
    void announceChanges();

    UsageAccounts& m_accounts;
    Settings& m_defaults;
    QDBusConnection m_bus;
    TrayPresentation m_presentation;
    bool m_exported = false;
    QVariantMap m_announced;
};
