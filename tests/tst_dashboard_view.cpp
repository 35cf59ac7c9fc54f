#include "service_fixture.h"
#include "services/accounts/account_store.h"
#include "views/accounts/account_header.h"
#include "views/accounts/account_section.h"
#include "views/accounts/accounts_block.h"
#include "views/dashboard/dashboard_view.h"
#include "views/dashboard/refresh_footer.h"
#include "views/dashboard/usage_block.h"
#include "views/dashboard/usage_row_widget.h"
#include "views/dashboard/welcome_view.h"
#include "views/widgets/busy_indicator.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/elided_label.h"
#include "views/widgets/error_line.h"
#include "views/widgets/menu_button.h"
#include "views/widgets/plain_button.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(DashboardContent)
Q_DECLARE_METATYPE(ScriptedResponse)

namespace {
enum class Setup { noCookie, loading, data, errorAlone, errorUnderData };
}
Q_DECLARE_METATYPE(Setup)

// The dashboard against a real service talking to a loopback server.
class TestDashboardView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void states_data();
    void states();
    void eachShowingWithoutSnapshotFetches_data();
    void eachShowingWithoutSnapshotFetches();
    void refreshKeepsTheDataBlock();
    void longErrorIsCappedAtTwoLines();
    void intents();
    void byNumberOfAccounts_data();
    void byNumberOfAccounts();
};

namespace {

// The accessible "role name" pairs of the view's visible controls and texts, in tree order.
void collectAccessible(QAccessibleInterface* node, QStringList& out)
{
    if (!node || node->state().invisible)
        return;
    const QString name = node->text(QAccessible::Name);
    const QAccessible::Role role = node->role();
    if (!name.isEmpty() && (role == QAccessible::Button || role == QAccessible::StaticText))
        out << (role == QAccessible::Button ? QStringLiteral("button ") : QStringLiteral("text ")) +
                   name;
    for (int i = 0; i < node->childCount(); ++i)
        collectAccessible(node->child(i), out);
}

QStringList accessibleControls(QWidget* view)
{
    QStringList out;
    collectAccessible(QAccessible::queryAccessibleInterface(view), out);
    return out;
}

QStringList menuFor(bool hasCookie)
{
    return {hasCookie ? QStringLiteral("button Update Cookie")
                      : QStringLiteral("button Set Cookie"),
            QStringLiteral("button History"), QStringLiteral("button Settings"),
            QStringLiteral("button Buy Me a Coffee"), QStringLiteral("button Quit")};
}

} // namespace

void TestDashboardView::states_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<DashboardContent>("content");
    QTest::addColumn<bool>("spinner");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("accessible");

    const QString header = QStringLiteral("text Gaugery");
    const QString unauthorized =
        QStringLiteral("Cookie expired or invalid. Please update your session cookie.");
    const QStringList rows{
        QStringLiteral("text Session (5 hour), 42%, 12:00 PM"),
        QStringLiteral("text Weekly (7 day), 67%, Feb 12, 8:00 AM"),
        QStringLiteral("text Sonnet (7 day), 5%, Feb 12, 8:00 AM"),
    };
    const QStringList footer{QStringLiteral("text Updated"), QStringLiteral("button Refresh")};

    QTest::newRow("no cookie: welcome")
        << Setup::noCookie << DashboardContent::welcome << false << QString()
        << QStringList{header,
                       QStringLiteral("text Track Your Claude Usage with Gaugery"),
                       QStringLiteral("text Monitor your API limits right from your tray"),
                       QStringLiteral("button Get Started"),
                       QStringLiteral("text Then use Import from Browser, or paste your session "
                                      "cookie."),
                       QStringLiteral("text Using Claude Code? Sign in there and Gaugery reads "
                                      "your usage by itself.")} +
               menuFor(false);
    QTest::newRow("loading") << Setup::loading << DashboardContent::loading << true << QString()
                             << QStringList{header, QStringLiteral("text Loading usage data...")} +
                                    menuFor(true);
    QTest::newRow("data") << Setup::data << DashboardContent::usage << false << QString()
                          << QStringList{header} + rows + footer + menuFor(true);
    QTest::newRow("error alone") << Setup::errorAlone << DashboardContent::none << false
                                 << unauthorized
                                 << QStringList{header, QStringLiteral("text ") + unauthorized} +
                                        menuFor(true);
    QTest::newRow("error under data")
        << Setup::errorUnderData << DashboardContent::usage << false
        << QStringLiteral("Server error: 503")
        << QStringList{header} + rows +
               QStringList{QStringLiteral("text As of"), QStringLiteral("button Refresh"),
                           QStringLiteral("text Server error: 503")} +
               menuFor(true);
}

void TestDashboardView::states()
{
    QFETCH(Setup, setup);
    QFETCH(DashboardContent, content);
    QFETCH(bool, spinner);
    QFETCH(QString, error);
    QFETCH(QStringList, accessible);

    ServiceFixture fixture;
    fixture.serveHappyPath();
    if (setup == Setup::noCookie)
        fixture.store->put(std::nullopt);
    if (setup == Setup::loading) {
        ScriptedResponse slow = ServiceBodies::json(ServiceBodies::organizations());
        slow.delayMs = 30000;
        fixture.server.on(ServiceFixture::organizationsPath, slow);
    }
    if (setup == Setup::errorAlone)
        fixture.server.on(ServiceFixture::organizationsPath, ServiceBodies::json("{}", 401));
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    if (setup == Setup::loading) {
        service->fetchUsage();
        QTRY_VERIFY(service->isLoading());
    }
    if (setup == Setup::data || setup == Setup::errorAlone || setup == Setup::errorUnderData)
        QVERIFY(fixture.fetchAndWait(*service));
    if (setup == Setup::errorUnderData) {
        fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json("{}", 503));
        QVERIFY(fixture.fetchAndWait(*service));
    }

    // Built after the service reached its state, then shown, as the popup does.
    DashboardView view(*accounts);
    QCOMPARE(view.content(), content);
    if (accessible.isEmpty())
        return;
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Showing without a snapshot fetches again; the failing one fails the same way.
    if (setup == Setup::errorAlone)
        QTRY_VERIFY(!service->isLoading());
    QCOMPARE(view.content(), content);
    QCOMPARE(view.headerIndicator()->isVisible(), spinner);
    QCOMPARE(view.errorLine()->isVisible(), !error.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(view.errorLabel()->text(), error);

    QStringList shown = accessibleControls(&view);
    // The footer's time changes with the clock; its words are what matters.
    for (QString& entry : shown) {
        if (entry.startsWith(QLatin1String("text Updated ")))
            entry = QStringLiteral("text Updated");
        if (entry.startsWith(QLatin1String("text As of ")))
            entry = QStringLiteral("text As of");
    }
    QCOMPARE(shown, accessible);

    // Tab visits the buttons in the order they are read.
    QStringList buttons;
    for (const QString& entry : accessible)
        if (entry.startsWith(QLatin1String("button ")))
            buttons << entry.mid(7);
    const auto tabStop = [&view](QWidget* w) {
        return w == &view || (w->focusPolicy() & Qt::TabFocus && w->isVisible());
    };
    QWidget* focus = view.nextInFocusChain();
    QStringList tabbed;
    for (; focus != &view; focus = focus->nextInFocusChain()) {
        if (tabStop(focus))
            tabbed << QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name);
    }
    QCOMPARE(tabbed, buttons);
}

void TestDashboardView::eachShowingWithoutSnapshotFetches_data()
{
    QTest::addColumn<ScriptedResponse>("organizations");
    QTest::addColumn<int>("organizationRequests"); // the one at the start included

    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::organizations());
    slow.delayMs = 30000;
    // A showing asks only what a tick would.
    QTest::newRow("figures: nothing") << ServiceBodies::json(ServiceBodies::organizations()) << 1;
    QTest::newRow("a fetch on its way: nothing more") << slow << 1;
    QTest::newRow("failed: one a showing") << ServiceBodies::json("{}", 500) << 4;
    QTest::newRow("rate limited: nothing") << ServiceBodies::rateLimited() << 1;
}

void TestDashboardView::eachShowingWithoutSnapshotFetches()
{
    QFETCH(ScriptedResponse, organizations);
    QFETCH(int, organizationRequests);

    ServiceFixture fixture;
    fixture.serveHappyPath();
    fixture.server.on(ServiceFixture::organizationsPath, organizations);
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    service->start();
    QTRY_VERIFY(service->hasCookie());
    QVERIFY(organizations.delayMs > 0 || fixture.settle(*service));

    DashboardView view(*accounts);
    for (int showing = 0; showing < 3; ++showing) {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.hide();
        QVERIFY(organizations.delayMs > 0 || fixture.settle(*service));
    }
    QTRY_COMPARE(fixture.server.requestedPaths().count(ServiceFixture::organizationsPath),
                 organizationRequests);
}

void TestDashboardView::refreshKeepsTheDataBlock()
{
    ServiceFixture fixture;
    fixture.serveHappyPath();
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    QVERIFY(fixture.fetchAndWait(*service));
    DashboardView view(*accounts);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QWidget* block = view.contentWidget();

    ScriptedResponse slow = ServiceBodies::json(ServiceBodies::usage());
    slow.delayMs = 500;
    fixture.server.on(ServiceFixture::usagePath, slow);
    QTest::mouseClick(qobject_cast<UsageBlock*>(block)->refreshButton(), Qt::LeftButton);
    QTRY_VERIFY(service->isLoading());
    QCOMPARE(view.content(), DashboardContent::usage);
    QCOMPARE(view.contentWidget(), block);
    QVERIFY(view.headerIndicator()->isVisible());
    QTRY_VERIFY(!service->isLoading());
    QVERIFY(!view.headerIndicator()->isVisible());
}

void TestDashboardView::longErrorIsCappedAtTwoLines()
{
    const QString text = QStringLiteral("word ").repeated(80).trimmed();
    const QStringList lines = ElidedLabel::shownLines(text, QApplication::font(), 200, 2);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.last().endsWith(QStringLiteral("…")));
    QCOMPARE(ElidedLabel::shownLines(QStringLiteral("short"), QApplication::font(), 200, 2),
             QStringList{QStringLiteral("short")});
    const QString unbroken(300, QLatin1Char('x'));
    const QStringList cut = ElidedLabel::shownLines(unbroken, QApplication::font(), 200, 2);
    QCOMPARE(cut.size(), 2);
    QVERIFY(QFontMetrics(QApplication::font()).horizontalAdvance(cut.first()) <= 200);
}

void TestDashboardView::intents()
{
    ServiceFixture fixture;
    fixture.store->put(std::nullopt);
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    DashboardView view(*accounts);
    QSignalSpy cookie(&view, &DashboardView::setCookieRequested);
    QSignalSpy history(&view, &DashboardView::historyRequested);
    QSignalSpy settings(&view, &DashboardView::settingsRequested);
    QSignalSpy quit(&view, &DashboardView::quitRequested);

    auto* welcome = qobject_cast<WelcomeView*>(view.contentWidget());
    QVERIFY(welcome);
    QTest::mouseClick(welcome->getStartedButton(), Qt::LeftButton);
    QTest::mouseClick(view.cookieButton(), Qt::LeftButton);
    QTest::mouseClick(view.historyButton(), Qt::LeftButton);
    QTest::mouseClick(view.settingsButton(), Qt::LeftButton);
    QTest::mouseClick(view.quitButton(), Qt::LeftButton);
    QCOMPARE(cookie.size(), 2);
    QCOMPARE(history.size(), 1);
    QCOMPARE(settings.size(), 1);
    QCOMPARE(quit.size(), 1);
    QVERIFY(fixture.server.requests().isEmpty());
}

namespace {

ScriptedResponse usageOf(int session, int weekly, int sonnet)
{
    return ServiceBodies::json(
        QStringLiteral(R"({"five_hour": {"utilization": %1, "resets_at": "2026-02-09T12:00:00Z"},
                          "seven_day": {"utilization": %2, "resets_at": "2026-02-12T08:00:00Z"},
                          "seven_day_sonnet": {"utilization": %3,
                                               "resets_at": "2026-02-12T08:00:00Z"}})")
            .arg(session)
            .arg(weekly)
            .arg(sonnet)
            .toUtf8());
}

} // namespace

void TestDashboardView::byNumberOfAccounts_data()
{
    QTest::addColumn<int>("count");
    // Headers clicked in turn; the last one pressed with Return instead, on a third
    // account added while the dashboard is there.
    QTest::addColumn<QList<int>>("opened");
    QTest::addColumn<bool>("byKeyboard");
    // The status the second account's next refresh fails with; 0: none.
    QTest::addColumn<int>("secondFails");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("errors");
    // Of the figures in the closed headers.
    QTest::addColumn<QList<QColor>>("colors");

    const QString work = QStringLiteral("Work");
    const QString home = QStringLiteral("Personal");
    const QString team = QStringLiteral("Acme Team");
    QTest::newRow("one: as ever, no sections")
        << 1 << QList<int>{} << false << 0 << QStringList{} << QList<int>{3}
        << QStringList{QString()} << QList<QColor>{};
    QTest::newRow("two: both open under their names")
        << 2 << QList<int>{} << false << 0 << QStringList{work, home} << QList<int>{3, 3}
        << QStringList{QString(), QString()} << QList<QColor>{};
    QTest::newRow("two: a failing one keeps its rows and says why, the other is untouched")
        << 2 << QList<int>{} << false << 503 << QStringList{work, home} << QList<int>{3, 3}
        << QStringList{QString(), QStringLiteral("Server error: 503")} << QList<QColor>{};
    QTest::newRow("two: a refused cookie is asked for again in its own section")
        << 2 << QList<int>{} << false << 401 << QStringList{work, home} << QList<int>{3, 3}
        << QStringList{QString(),
                       QStringLiteral("Cookie expired. Please update your session cookie.")}
        << QList<QColor>{};
    QTest::newRow("three: closed to their highest figures")
        << 3 << QList<int>{} << false << 0
        << QStringList{work + QStringLiteral(", 42%"), home + QStringLiteral(", 74%"),
                       team + QStringLiteral(", 93%")}
        << QList<int>{0, 0, 0} << QStringList{QString(), QString(), QString()}
        << QList<QColor>{ClaudeColors::claudeTan(), ClaudeColors::claudeWarning(),
                         ClaudeColors::claudeCritical()};
    QTest::newRow("three: a click opens one")
        << 3 << QList<int>{1} << false << 0
        << QStringList{work + QStringLiteral(", 42%"), home, team + QStringLiteral(", 93%")}
        << QList<int>{0, 3, 0} << QStringList{QString(), QString(), QString()} << QList<QColor>{};
    QTest::newRow("three: opening another closes the first, from the keyboard too")
        << 3 << QList<int>{1, 2} << true << 0
        << QStringList{work + QStringLiteral(", 42%"), home + QStringLiteral(", 74%"), team}
        << QList<int>{0, 0, 3} << QStringList{QString(), QString(), QString()} << QList<QColor>{};
}

void TestDashboardView::byNumberOfAccounts()
{
    QFETCH(int, count);
    QFETCH(QList<int>, opened);
    QFETCH(bool, byKeyboard);
    QFETCH(int, secondFails);
    QFETCH(QStringList, headers);
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, errors);
    QFETCH(QList<QColor>, colors);

    ServiceFixture fixture;
    const QList<ServiceFixture::ServedAccount> served{
        {QStringLiteral("Work"), "org-work", usageOf(42, 38, 12)},
        {QStringLiteral("Personal"), "org-home", usageOf(74, 20, 8)},
        {QStringLiteral("Acme Team"), "org-team", usageOf(93, 61, 30)},
    };
    fixture.serveAccounts(served.mid(0, count));
    Settings& defaults = fixture.defaults.defaults();
    if (byKeyboard)
        AccountStore::save(defaults, AccountStore::load(defaults).mid(0, 2));
    const std::unique_ptr<UsageAccounts> accounts = fixture.makeAccounts();
    QVERIFY(ServiceFixture::startAndWait(*accounts));
    DashboardView view(*accounts);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    if (byKeyboard) {
        accounts->addCookieAccount(served.last().name, QStringLiteral("sessionKey=test-cookie-3"),
                                   QString::fromLatin1(served.last().organizationId));
        QTRY_VERIFY(accounts->services().last()->usageData());
    }
    if (secondFails) {
        fixture.server.on("/api/organizations/org-home/usage",
                          ServiceBodies::json("{}", secondFails));
        fixture.server.clearRequests();
        QTest::mouseClick(view.accountsBlock()->footer()->refreshButton(), Qt::LeftButton);
        // One Refresh for all.
        QTRY_VERIFY(accounts->services().at(1)->error());
        QTRY_COMPARE(fixture.server.requestedPaths().count("/api/organizations/org-work/usage"), 1);
        QTRY_VERIFY(!accounts->first().isLoading());
    }
    if (count == 1) {
        QCOMPARE(view.content(), DashboardContent::usage);
        QCOMPARE(qobject_cast<UsageBlock*>(view.contentWidget())->rows().size(), rows.first());
        return;
    }
    QCOMPARE(view.content(), DashboardContent::accounts);
    QVERIFY(view.errorLine()->isHidden());
    const QList<AccountSection*> sections = view.accountsBlock()->sections();
    QCOMPARE(sections.size(), count);
    for (int i = 0; i < opened.size(); ++i) {
        AccountHeader* header = sections.at(opened.at(i))->header();
        if (byKeyboard && i == opened.size() - 1) {
            header->setFocus();
            QTest::keyClick(header, Qt::Key_Return);
        } else {
            QTest::mouseClick(header, Qt::LeftButton);
        }
    }
    for (int i = 0; i < count; ++i) {
        const AccountSection* section = sections.at(i);
        QCOMPARE(section->header()->accessibleName(), headers.at(i));
        // Rows rebuilt for a new snapshot show on the next turn of the loop.
        const auto shown = [section] {
            int visible = 0;
            for (const UsageRowWidget* row : section->rows())
                visible += row->isVisible() ? 1 : 0;
            return visible;
        };
        QTRY_COMPARE(shown(), rows.at(i));
        QCOMPARE(section->errorLine()->isVisible(), !errors.at(i).isEmpty());
        QCOMPARE(section->errorLine()->label()->text(), errors.at(i));
        if (!colors.isEmpty())
            QCOMPARE(section->header()->figureColor(), colors.at(i));
    }
    // Each open section offers its own account's cookie window, in the error line when the
    // error asks for a cookie; the menu offers none.
    QVERIFY(view.cookieButton()->isHidden());
    QSignalSpy cookie(&view, &DashboardView::setCookieRequested);
    QStringList expected;
    for (int i = 0; i < count; ++i) {
        if (count > 2)
            expected << headers.at(i);
        if (!rows.at(i))
            continue;
        expected << QStringLiteral("Update Cookie for ") + served.at(i).name;
        const bool asked = secondFails == 401 && i == 1;
        PlainButton* action = sections.at(i)->errorLine()->action();
        QCOMPARE(action->isVisible(), asked);
        QCOMPARE(sections.at(i)->cookieButton()->isVisible(), !asked);
        QTest::mouseClick(asked ? action : sections.at(i)->cookieButton(), Qt::LeftButton);
        QCOMPARE(cookie.takeFirst().at(0).toString(), accounts->accounts().at(i).id);
    }
    // Tab visits the headers and the open sections' buttons, then Refresh.
    QStringList tabbed;
    for (QWidget* focus = view.nextInFocusChain(); focus != &view;
         focus = focus->nextInFocusChain()) {
        if (focus->focusPolicy() & Qt::TabFocus && focus->isVisible())
            tabbed << QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name);
    }
    QCOMPARE(tabbed.mid(0, tabbed.indexOf(QStringLiteral("Refresh")) + 1),
             expected + QStringList{QStringLiteral("Refresh")});
}

QTEST_MAIN(TestDashboardView)
#include "tst_dashboard_view.moc"
