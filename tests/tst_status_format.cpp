#include "models/usage_window.h"
#include "status/status_format.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>

// What gaugery-status prints for the properties the agent exports.
class TestStatusFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void json_data();
    void json();
    void text_data();
    void text();
};

namespace {

QVariantMap window(const char* id, const char* title, double percent, const char* resetsAt,
                   bool timeOfDay = false)
{
    return {{QStringLiteral("id"), QString::fromLatin1(id)},
            {QStringLiteral("title"), QString::fromLatin1(title)},
            {QStringLiteral("percent"), percent},
            {QStringLiteral("resetsAt"), QString::fromLatin1(resetsAt)},
            {QStringLiteral("timeOfDay"), timeOfDay}};
}

// The properties the agent exports for a snapshot, the tray showing `shown`.
QVariantMap state(double session, const char* shown = "session", bool opus = true,
                  const QVariantList& further = {})
{
    QVariantList windows{
        window("session", "Session", session, "2026-12-07T15:05:00Z", true),
        window("weekly", "Weekly", 71.5, "2026-12-12T08:00:00Z"),
        window("sonnet", "Sonnet", 95.0, "2026-12-13T14:00:00Z"),
    };
    if (opus)
        windows << window("opus", "Opus", 4.0, "2026-12-12T08:00:00Z");
    windows << further;
    QString figure;
    for (const QVariant& entry : windows) {
        if (entry.toMap().value(QStringLiteral("id")).toString() == QLatin1String(shown))
            figure =
                UsageWindows::wholeText(entry.toMap().value(QStringLiteral("percent")).toDouble()) +
                u'%';
    }
    return {
        {QStringLiteral("HasData"), true},
        {QStringLiteral("Windows"), windows},
        {QStringLiteral("ShownWindow"), QString::fromLatin1(shown)},
        {QStringLiteral("Figure"), figure},
        {QStringLiteral("LastUpdated"), QStringLiteral("2026-12-07T12:34:56Z")},
        {QStringLiteral("Error"), QString()},
        {QStringLiteral("HasCookie"), true},
    };
}

QVariantMap empty(bool hasCookie, const QString& error = QString())
{
    return {{QStringLiteral("HasData"), false},
            {QStringLiteral("HasCookie"), hasCookie},
            {QStringLiteral("Error"), error}};
}

} // namespace

void TestStatusFormat::json_data()
{
    QTest::addColumn<QVariantMap>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cssClass");
    QTest::addColumn<QVariant>("percentage");
    QTest::addColumn<QString>("tooltip");

    const QString allWindows = QStringLiteral("Session 42%, resets at 3:05 PM\n"
                                              "Weekly 71%, resets Dec 12, 8:00 AM\n"
                                              "Sonnet 95%, resets Dec 13, 2:00 PM\n"
                                              "Opus 4%, resets Dec 12, 8:00 AM\n"
                                              "Updated 12:34 PM");
    QTest::newRow("session") << state(42.9) << QStringLiteral("42%") << QStringLiteral("low")
                             << QVariant(42) << allWindows;
    QTest::newRow("weekly warning") << state(42.9, "weekly") << QStringLiteral("71%")
                                    << QStringLiteral("warning") << QVariant(71) << allWindows;
    QTest::newRow("sonnet critical") << state(42.9, "sonnet") << QStringLiteral("95%")
                                     << QStringLiteral("critical") << QVariant(95) << allWindows;
    QTest::newRow("NaN: no percentage") << state(std::nan("")) << QStringLiteral("--%")
                                        << QStringLiteral("low") << QVariant() << QString();
    QTest::newRow("further windows and extra usage")
        << state(42.9, "seven_day_cowork", true,
                 {window("seven_day_cowork", "Cowork", 96.2, "2026-12-10T12:00:00Z"),
                  QVariantMap{{QStringLiteral("id"), QStringLiteral("extra_usage")},
                              {QStringLiteral("title"), QStringLiteral("Extra usage")},
                              {QStringLiteral("percent"), 100.0},
                              {QStringLiteral("resetsAt"), QString()},
                              {QStringLiteral("note"), QStringLiteral("Out of credits")},
                              {QStringLiteral("detail"), QStringLiteral("$25.00 of $25.00")}}})
        << QStringLiteral("96%") << QStringLiteral("critical") << QVariant(96)
        << QStringLiteral("Session 42%, resets at 3:05 PM\nWeekly 71%, resets Dec 12, 8:00 AM\n"
                          "Sonnet 95%, resets Dec 13, 2:00 PM\nOpus 4%, resets Dec 12, 8:00 AM\n"
                          "Cowork 96%, resets Dec 10, 12:00 PM\n"
                          "Extra usage 100%, Out of credits, $25.00 of $25.00\nUpdated 12:34 PM");
    QTest::newRow("no Opus row")
        << state(42.9, "session", false) << QStringLiteral("42%") << QStringLiteral("low")
        << QVariant(42)
        << QStringLiteral("Session 42%, resets at 3:05 PM\nWeekly 71%, resets Dec 12, 8:00 AM\n"
                          "Sonnet 95%, resets Dec 13, 2:00 PM\nUpdated 12:34 PM");
    QTest::newRow("no cookie") << empty(false) << QStringLiteral("--%") << QStringLiteral("low")
                               << QVariant()
                               << QStringLiteral("No session cookie: open Gaugery to set one");
    QTest::newRow("an error and no figures")
        << empty(true, QStringLiteral("Server error: 503")) << QStringLiteral("--%")
        << QStringLiteral("low") << QVariant()
        << QStringLiteral("No figures yet\nServer error: 503");
    QVariantMap stale = state(42.9);
    stale.insert(QStringLiteral("Stale"), true);
    QTest::newRow("not current") << stale << QStringLiteral("42%") << QStringLiteral("low")
                                 << QVariant(42) << QString();
}

void TestStatusFormat::json()
{
    QFETCH(QVariantMap, state);
    QFETCH(QString, text);
    QFETCH(QString, cssClass);
    QFETCH(QVariant, percentage);
    QFETCH(QString, tooltip);

    const QString out = StatusFormat::json(state);
    QVERIFY(!out.contains(QLatin1Char('\n')));
    const QJsonObject object = QJsonDocument::fromJson(out.toUtf8()).object();
    QCOMPARE(object.value(QStringLiteral("text")).toString(), text);
    QCOMPARE(object.value(QStringLiteral("class")).toString(), cssClass);
    QCOMPARE(object.contains(QStringLiteral("percentage")), percentage.isValid());
    QCOMPARE(object.value(QStringLiteral("stale")).toBool(),
             state.value(QStringLiteral("Stale")).toBool());
    if (percentage.isValid())
        QCOMPARE(object.value(QStringLiteral("percentage")).toInt(), percentage.toInt());
    if (!tooltip.isEmpty())
        QCOMPARE(object.value(QStringLiteral("tooltip")).toString(), tooltip);
}

void TestStatusFormat::text_data()
{
    QTest::addColumn<QVariantMap>("state");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("out");

    QTest::newRow("two figures") << state(42.9) << QStringLiteral("{session}% {weekly}%")
                                 << QStringLiteral("42% 71%");
    QTest::newRow("resets and update")
        << state(42.9) << QStringLiteral("S {session_reset} W {weekly_reset} @{updated}")
        << QStringLiteral("S 3:05 PM W Dec 12, 8:00 AM @12:34 PM");
    QTest::newRow("absent Opus") << state(1, "session", false)
                                 << QStringLiteral("{opus}%|{opus_reset}|")
                                 << QStringLiteral("--%||");
    QTest::newRow("no figures") << empty(true, QStringLiteral("Server error: 503"))
                                << QStringLiteral("{session}% {error}")
                                << QStringLiteral("--% Server error: 503");
    QTest::newRow("unknown and broken placeholders stay")
        << state(42.9) << QStringLiteral("{nope} {session {} {{session}}")
        << QStringLiteral("{nope} {session {} {42}");
    QTest::newRow("any window by its id")
        << state(42.9, "session", true,
                 {window("seven_day_cowork", "Cowork", 96.2, "2026-12-10T12:00:00Z")})
        << QStringLiteral("{window:seven_day_cowork}% {seven_day_cowork_reset} {window:gone}%")
        << QStringLiteral("96% Dec 10, 12:00 PM --%");
    QVariantMap old = state(42.9);
    old.insert(QStringLiteral("LastUpdated"),
               QDateTime::currentDateTimeUtc().addSecs(-3 * 3600 - 60).toString(Qt::ISODate));
    QTest::newRow("age") << old << QStringLiteral("{session}% ({age})")
                         << QStringLiteral("42% (3 h)");
    QTest::newRow("no placeholders")
        << state(42.9) << QStringLiteral("plain") << QStringLiteral("plain");
}

void TestStatusFormat::text()
{
    QFETCH(QVariantMap, state);
    QFETCH(QString, format);
    QFETCH(QString, out);
    QCOMPARE(StatusFormat::text(state, format), out);
}

QTEST_GUILESS_MAIN(TestStatusFormat)
#include "tst_status_format.moc"
