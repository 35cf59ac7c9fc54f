#include "models/account.h"
#include "models/tray_presentation.h"

#include <QHash>
#include <QTest>
#include <QTimeZone>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(TrayStyle)
Q_DECLARE_METATYPE(TrayIcon)
Q_DECLARE_METATYPE(Freshness)

// What the tray shows for a snapshot, the settings and the time: label, icon, tooltip.
class TestTrayPresentation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutSnapshot();
    void figure_data();
    void figure();
    void icon_data();
    void icon();
    void styleDefault_data();
    void styleDefault();
    void toolTip_data();
    void toolTip();
    void freshness_data();
    void freshness();
    void severalAccounts_data();
    void severalAccounts();
};

namespace {

const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());

// Every figure a decoy of its own, so picking the wrong one shows.
UsageData decoys()
{
    UsageData usage;
    usage.sessionUsagePercent = 1.5;
    usage.sessionResetTime = noon.addSecs(4 * 3600);
    usage.weeklyUsagePercent = 2.5;
    usage.weeklyResetTime = noon.addDays(3);
    usage.weeklySonnetUsagePercent = 3.5;
    usage.weeklySonnetResetTime = noon.addDays(3);
    usage.weeklyOpusUsagePercent = 4.5;
    usage.weeklyOpusResetTime = noon.addDays(4);
    usage.furtherWindows = {{UsageWindows::scoped(QStringLiteral("Fable")), 0.5, noon.addDays(3),
                             QString(), QString()}};
    usage.lastUpdated = noon;
    return usage;
}

TrayPresentation present(const UsageData& usage, const QString& metric,
                         TrayStyle style = TrayStyle::label)
{
    TrayInput input;
    input.usage = usage;
    input.metric = metric;
    input.style = style;
    input.now = noon;
    return presentTray(input);
}

} // namespace

void TestTrayPresentation::withoutSnapshot()
{
    for (TrayStyle style : {TrayStyle::label, TrayStyle::figureInIcon, TrayStyle::gauge}) {
        TrayInput input;
        input.style = style;
        input.metric = QStringLiteral("weekly");
        const TrayPresentation shown = presentTray(input);
        QCOMPARE(shown.label, QString());
        QCOMPARE(shown.icon, TrayIcon());
        QCOMPARE(shown.fallbackIcon, TrayIcon());
        QCOMPARE(shown.toolTip, QStringLiteral("Gaugery"));
    }
}

void TestTrayPresentation::figure_data()
{
    QTest::addColumn<QString>("metric");
    QTest::addColumn<double>("percent");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("description");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("session") << "session" << 42.0 << " 42%"
                             << "Gaugery: session 42%";
    QTest::newRow("weekly") << "weekly" << 67.8 << " 67%"
                            << "Gaugery: weekly 67%";
    QTest::newRow("sonnet") << "sonnet" << 5.0 << " 5%"
                            << "Gaugery: sonnet 5%";
    QTest::newRow("opus is not a metric") << "opus" << 13.0 << " 13%"
                                          << "Gaugery: session 13%";
    QTest::newRow("capital W") << "Weekly" << 13.0 << " 13%"
                               << "Gaugery: session 13%";
    QTest::newRow("empty metric") << "" << 13.0 << " 13%"
                                  << "Gaugery: session 13%";
    QTest::newRow("highest: opus") << "highest" << 2.0 << " 4%"
                                   << "Gaugery: opus 4%";
    QTest::newRow("highest: a high session") << "highest" << 96.0 << " 96%"
                                             << "Gaugery: session 96%";
    QTest::newRow("highest: NaN session loses") << "highest" << nan << " 4%"
                                                << "Gaugery: opus 4%";
    // The whole figure, which the vocabulary spells (tst_usage_window), not the dashboard
    // row's, which shows 0.
    QTest::newRow("negative") << "session" << -3.7 << " -3%"
                              << "Gaugery: session -3%";
    QTest::newRow("a further window") << "seven_day_fable" << 61.0 << " 61%"
                                      << "Gaugery: fable 61%";
    // Kept for when the service reports it again.
    QTest::newRow("a further window no longer reported") << "seven_day_cowork" << 13.0 << " –"
                                                         << "Gaugery: cowork –";
}

void TestTrayPresentation::figure()
{
    QFETCH(QString, metric);
    QFETCH(double, percent);

    UsageData usage = decoys();
    if (metric == QLatin1String("weekly"))
        usage.weeklyUsagePercent = percent;
    else if (metric == QLatin1String("sonnet"))
        usage.weeklySonnetUsagePercent = percent;
    else if (metric == usage.furtherWindows.first().kind.id)
        usage.furtherWindows.first().percent = percent;
    else
        usage.sessionUsagePercent = percent;

    const TrayPresentation shown = present(usage, metric);
    QTEST(shown.label, "label");
    QTEST(shown.accessibleDescription, "description");
    QVERIFY(shown.icon.besideLabel);
    // The icon of a tray without labels draws the same figure.
    QVERIFY(shown.label.startsWith(u' ' + shown.fallbackIcon.figure));
}

void TestTrayPresentation::icon_data()
{
    QTest::addColumn<TrayStyle>("style");
    QTest::addColumn<double>("session");
    QTest::addColumn<double>("weekly");
    QTest::addColumn<TrayIcon>("icon");
    QTest::addColumn<TrayIcon>("fallback");

    TrayIcon sparkle;
    sparkle.besideLabel = true;
    const auto figure = [](const char* text, Severity severity) {
        TrayIcon icon;
        icon.kind = TrayIcon::Kind::figure;
        icon.figure = QString::fromLatin1(text);
        icon.severity = severity;
        return icon;
    };
    const auto gauge = [](QList<TrayIcon::Gauge> gauges) {
        TrayIcon icon;
        icon.kind = TrayIcon::Kind::gauge;
        icon.gauges = gauges;
        return icon;
    };
    // The XEmbed tray has no label: it draws the figure unless the gauge was chosen.
    QTest::newRow("label") << TrayStyle::label << 42.0 << 10.0 << sparkle
                           << figure("42", Severity::normal);
    QTest::newRow("figure, warning")
        << TrayStyle::figureInIcon << 75.0 << 10.0 << figure("75", Severity::warning)
        << figure("75", Severity::warning);
    QTest::newRow("figure, critical, three digits")
        << TrayStyle::figureInIcon << 100.0 << 10.0 << figure("100", Severity::critical)
        << figure("100", Severity::critical);
    const TrayIcon both = gauge({{0.895, Severity::warning}, {1.0, Severity::critical}});
    QTest::newRow("gauge: each its own severity")
        << TrayStyle::gauge << 89.5 << 130.0 << both << both;
    const TrayIcon empty = gauge({{0, Severity::normal}, {0, Severity::normal}});
    QTest::newRow("gauge: negative and NaN are empty")
        << TrayStyle::gauge << -5.0 << std::nan("") << empty << empty;
}

void TestTrayPresentation::icon()
{
    QFETCH(TrayStyle, style);
    QFETCH(double, session);
    QFETCH(double, weekly);

    UsageData usage = decoys();
    usage.sessionUsagePercent = session;
    usage.weeklyUsagePercent = weekly;
    const TrayPresentation shown = present(usage, QStringLiteral("session"), style);
    QTEST(shown.icon, "icon");
    QTEST(shown.fallbackIcon, "fallback");
    QCOMPARE(shown.label.isEmpty(), style != TrayStyle::label);
}

void TestTrayPresentation::styleDefault_data()
{
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<TrayStyle>("style");
    QTest::addColumn<int>("gnomeShell"); // its major version; 0: unknown

    QTest::newRow("GNOME") << "GNOME" << TrayStyle::label << 0;
    QTest::newRow("Ubuntu's session") << "ubuntu:GNOME" << TrayStyle::label << 0;
    QTest::newRow("Unity") << "Unity" << TrayStyle::label << 0;
    QTest::newRow("Budgie") << "Budgie:GNOME" << TrayStyle::label << 0;
    QTest::newRow("KDE") << "KDE" << TrayStyle::figureInIcon << 0;
    QTest::newRow("LXQt") << "LXQt" << TrayStyle::figureInIcon << 0;
    QTest::newRow("XFCE") << "XFCE" << TrayStyle::figureInIcon << 0;
    QTest::newRow("sway") << "sway" << TrayStyle::figureInIcon << 0;
    QTest::newRow("unset") << "" << TrayStyle::figureInIcon << 0;
    QTest::newRow("GNOME-Flashback is not GNOME")
        << "GNOME-Flashback" << TrayStyle::figureInIcon << 0;
    QTest::newRow("GNOME Shell 47") << "GNOME" << TrayStyle::label << 47;
    QTest::newRow("GNOME Shell 48") << "GNOME" << TrayStyle::figureInIcon << 48;
    QTest::newRow("Ubuntu's GNOME Shell 49") << "ubuntu:GNOME" << TrayStyle::figureInIcon << 49;
}

void TestTrayPresentation::styleDefault()
{
    QFETCH(QString, desktop);
    QFETCH(int, gnomeShell);
    QTEST(TrayStyles::defaultFor(desktop, gnomeShell), "style");
    for (TrayStyle style : {TrayStyle::label, TrayStyle::figureInIcon, TrayStyle::gauge})
        QCOMPARE(TrayStyles::fromSetting(TrayStyles::settingOf(style)), style);
    QCOMPARE(TrayStyles::fromSetting(QStringLiteral("Label")), std::nullopt);
}

void TestTrayPresentation::toolTip_data()
{
    QTest::addColumn<QList<double>>("sessionFigures"); // one snapshot every 30 min
    QTest::addColumn<QString>("metric");
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<Freshness>("freshness");

    const QString paused = QStringLiteral("Rate limited: next try at 3:05 PM");
    QTest::newRow("one snapshot: time left only")
        << QList<double>{40} << QString() << QStringList()
        << QStringLiteral("Session: 40%, resets at 4:00 PM\nresets in 4 h 0 min") << Freshness();
    // Not current: how old, and the failure that keeps it so.
    QTest::newRow("a failed refresh")
        << QList<double>{40} << QString() << QStringList()
        << QStringLiteral("Session: 40%, resets at 4:00 PM\nAs of 9:00 AM (3 h ago)\n"
                          "Server error: 503\nresets in 4 h 0 min")
        << Freshness{true, noon.addSecs(-3 * 3600), QStringLiteral("Server error: 503")};
    QTest::newRow("filling before the reset")
        << QList<double>{40, 60} << QString() << QStringList()
        << QStringLiteral("Session: 60%, resets at 4:00 PM\nresets in 3 h 30 min\n"
                          "at this pace: full at 1:30 PM")
        << Freshness();
    QTest::newRow("slow enough") << QList<double>{40, 41} << QString() << QStringList()
                                 << QStringLiteral(
                                        "Session: 41%, resets at 4:00 PM\nresets in 3 h 30 min")
                                 << Freshness();
    QTest::newRow("weekly figure, flat")
        << QList<double>{40, 60} << QStringLiteral("weekly") << QStringList()
        << QStringLiteral("Weekly: 2%, resets Dec 10, 12:00 PM\nresets in 2 d 23 h") << Freshness();
    QTest::newRow("a chosen window no longer reported")
        << QList<double>{40} << QStringLiteral("seven_day_cowork") << QStringList()
        << QStringLiteral("Cowork: –\nClaude does not report this limit now") << Freshness();
    QTest::newRow("highest names its window")
        << QList<double>{40, 60} << QStringLiteral("highest") << QStringList()
        << QStringLiteral("Session: 60%, resets at 4:00 PM\nresets in 3 h 30 min\n"
                          "at this pace: full at 1:30 PM")
        << Freshness();
    QTest::newRow("notes follow")
        << QList<double>{40} << QString()
        << QStringList{paused, QStringLiteral("Figures from Claude Code")}
        << QStringLiteral("Session: 40%, resets at 4:00 PM\nresets in 4 h 0 min\n"
                          "Rate limited: next try at 3:05 PM\nFigures from Claude Code")
        << Freshness();
    // A pause is the failure and a note at once.
    QTest::newRow("a pause is said once")
        << QList<double>{40} << QString() << QStringList{paused}
        << QStringLiteral("Session: 40%, resets at 4:00 PM\nAs of 9:00 AM (3 h ago)\n"
                          "Rate limited: next try at 3:05 PM\nresets in 4 h 0 min")
        << Freshness{true, noon.addSecs(-3 * 3600), paused};
}

void TestTrayPresentation::toolTip()
{
    QFETCH(QList<double>, sessionFigures);
    QFETCH(QString, metric);
    QFETCH(QStringList, notes);

    QHash<QString, QList<UsageSample>> history;
    TrayInput input;
    for (qsizetype i = 0; i < sessionFigures.size(); ++i) {
        UsageData usage = decoys();
        usage.lastUpdated = noon.addSecs(i * 30 * 60);
        usage.sessionUsagePercent = sessionFigures.at(i);
        for (const WindowFigure& figure : UsageWindows::figures(usage))
            history[figure.kind.id].append({usage.lastUpdated, figure.percent});
        input.usage = usage;
        input.now = usage.lastUpdated;
    }
    input.metric = metric;
    QFETCH(Freshness, freshness);
    input.freshness = freshness;
    input.notes = notes;
    input.samples = [&history](const QString&, const QString& id) { return history.value(id); };
    // The tooltip is the same in every style; figures not current are faded, and a label,
    // which cannot be, is marked.
    for (TrayStyle style : {TrayStyle::label, TrayStyle::figureInIcon, TrayStyle::gauge}) {
        input.style = style;
        const TrayPresentation shown = presentTray(input);
        QTEST(shown.toolTip, "toolTip");
        QCOMPARE(shown.icon.dimmed, freshness.stale);
        QCOMPARE(shown.fallbackIcon.dimmed, freshness.stale);
        QCOMPARE(shown.label.endsWith(u'?'), style == TrayStyle::label && freshness.stale);
    }
}

void TestTrayPresentation::freshness_data()
{
    QTest::addColumn<qint64>("ageSeconds"); // -1: no figures
    QTest::addColumn<bool>("remembered");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("stale");
    QTest::addColumn<QString>("updated");

    QTest::newRow("current") << 60ll << false << QString() << false << "Updated 11:59 AM";
    QTest::newRow("two intervals is still current")
        << 600ll << false << QString() << false << "Updated 11:50 AM";
    QTest::newRow("older than two intervals")
        << 601ll << false << QString() << true << "As of 11:49 AM (10 min ago)";
    QTest::newRow("remembered from the last run")
        << 0ll << true << QString() << true << "As of 12:00 PM (1 min ago)";
    QTest::newRow("the latest refresh failed")
        << 60ll << false << "Rate limited" << true << "As of 11:59 AM (1 min ago)";
    QTest::newRow("no figures, only a failure") << -1ll << false << "Rate limited" << false << "";
}

void TestTrayPresentation::freshness()
{
    QFETCH(qint64, ageSeconds);
    QFETCH(bool, remembered);
    QFETCH(QString, error);
    const std::optional<QString> failure = error.isEmpty() ? std::nullopt : std::optional(error);
    const Freshness freshness = Freshness::of(
        ageSeconds < 0 ? QDateTime() : noon.addSecs(-ageSeconds), remembered, failure, 300, noon);
    QTEST(freshness.stale, "stale");
    QTEST(freshness.updatedText(noon), "updated");
    QCOMPARE(freshness.reason, ageSeconds < 0 ? QString() : error);
}

void TestTrayPresentation::severalAccounts_data()
{
    QTest::addColumn<QList<double>>("sessions"); // NaN: an account without figures yet
    QTest::addColumn<QString>("trayAccount");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("toolTip");

    const double none = std::nan("");
    QTest::newRow("the account chosen")
        << QList<double>{30, 95} << QStringLiteral("a") << QStringLiteral("a")
        << QStringLiteral("A · Session: 30%\nB · Session: 95%");
    QTest::newRow("one no longer listed: the first")
        << QList<double>{30, 95} << QStringLiteral("gone") << QStringLiteral("a")
        << QStringLiteral("A · Session: 30%\nB · Session: 95%");
    QTest::newRow("highest of all names its account first")
        << QList<double>{30, 95, 60} << Accounts::highestOfAll << QStringLiteral("b")
        << QStringLiteral("B · Session: 95%\nA · Session: 30%\nC · Session: 60%");
    QTest::newRow("figures win over none")
        << QList<double>{none, 5} << Accounts::highestOfAll << QStringLiteral("b")
        << QStringLiteral("B · Session: 5%\nA · no figures yet");
    QTest::newRow("the chosen one without figures")
        << QList<double>{none, 5} << QStringLiteral("a") << QStringLiteral("a")
        << QStringLiteral("Gaugery\nA · no figures yet\nB · Session: 5%");
}

void TestTrayPresentation::severalAccounts()
{
    QFETCH(QList<double>, sessions);
    QFETCH(QString, trayAccount);
    TrayInput input;
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        const QString id(QChar(char16_t(u'a' + i)));
        std::optional<UsageData> usage;
        if (!std::isnan(sessions.at(i))) {
            usage.emplace();
            usage->sessionUsagePercent = sessions.at(i);
        }
        input.accounts.append({id, id.toUpper(), usage});
    }
    input.trayAccount = trayAccount;
    input.metric = UsageWindows::sessionId;
    input.now = noon;
    const TrayPresentation presentation = presentTray(input);
    QTEST(presentation.shownAccount, "shown");
    QTEST(presentation.toolTip, "toolTip");
}

QTEST_GUILESS_MAIN(TestTrayPresentation)
#include "tst_tray_presentation.moc"
