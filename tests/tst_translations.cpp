#include "models/usage_data.h"
#include "services/alerts/usage_alerts.h"
#include "services/fetch/fetch_messages.h"
#include "services/translations.h"
#include "views/settings/settings_choices.h"

#include <QApplication>
#include <QTest>
#include <QTimeZone>

// Started in a German locale, what the user reads is German; the numbers and dates keep
// following the locale.
class TestTranslations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsGerman_data();
    void readsGerman();
};

void TestTranslations::readsGerman_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("german");

    UsageData data;
    data.sessionUsagePercent = 80;
    data.sessionResetTime = QDateTime(QDate(2026, 12, 8), QTime(14, 5), QTimeZone::utc());
    const UsageAlerts::Alert alert =
        UsageAlerts::evaluate(data, {75}, {}, data.sessionResetTime.addSecs(-3600)).alerts.value(0);
    QTest::newRow("an error") << FetchMessages::claudeCodeExpired()
                              << QStringLiteral(
                                     "Die Anmeldung von Claude Code ist abgelaufen. "
                                     "Erneuere sie mit claude oder lege ein Cookie fest.");
    QTest::newRow("a notification")
        << alert.summary + u'|' + alert.body
        << QStringLiteral("Sitzung bei 75%|Wird um 15:05 zurückgesetzt");
    QTest::newRow("the settings") << SettingsChoices::connectionText(UsageSource::claudeCode,
                                                                     QStringLiteral("Max"), {})
                                  << QStringLiteral("Verbunden über Claude Code · Max");
    QTest::newRow("the dashboard")
        << UsageWindows::updatedText(data.sessionResetTime) << QStringLiteral("Aktualisiert 15:05");
    QTest::newRow("a date in the locale's form")
        << UsageWindows::resetPhrase(
               {UsageWindows::known().at(1), 0, data.sessionResetTime.addMonths(6), {}, {}}, true)
        << QStringLiteral("Wird am 8. Juni, 16:05 zurückgesetzt");
}

void TestTranslations::readsGerman()
{
    QFETCH(QString, shown);
    QTEST(shown, "german");
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Translations::install(app);
    TestTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
