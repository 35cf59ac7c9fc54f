#include "build_config.h"
#include "service_fixture.h"
#include "services/fetch/fetch_messages.h"
#include "views/accounts/account_list.h"
#include "views/accounts/add_account_menu.h"
#include "views/dashboard/dashboard_view.h"
#include "views/settings/link_row.h"
#include "views/settings/settings_view.h"
#include "views/sign_in/claude_code_folder_dialog.h"
#include "views/widgets/elided_label.h"
#include "views/widgets/plain_button.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>

// Offscreen: the settings shown for what is stored, what a change writes and calls, and
// the connection row.
class TestSettingsView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshStoreShowsDefaults();
    void showsStoredValues_data();
    void showsStoredValues();
    void pickingWrites();
    void metricOffersFurtherWindows();
    void launchAtLoginToggles();
    void usageAlertsToggleStores();
    void disconnectReturnsDashboardToWelcome();
    void organizationPickedReadsItsFigures();
    void connectionNamesTheSource_data();
    void connectionNamesTheSource();
    void keyboardNamesAndFit();
    void accountsAddedRenamedRemoved();
};

namespace {

const QStringList settingKeys{Settings::menuBarMetricKey, Settings::refreshIntervalKey,
                              Settings::launchAtLoginKey, Settings::usageAlertsKey,
                              Settings::resetAlertsKey,   Settings::trayStyleKey};

// The picker moved by the keyboard, as a user would.
void pick(QComboBox* picker, Qt::Key key)
{
    picker->setFocus();
    QTest::keyClick(picker, key);
}

// What a screen reader announces for the control: a combo box's name is its value on
// Linux, so its label comes from the caption that names it.
QString accessibleLabel(QAccessibleInterface* accessible)
{
    if (accessible->role() != QAccessible::ComboBox)
        return accessible->text(QAccessible::Name);
    const auto labels = accessible->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

} // namespace

void TestSettingsView::freshStoreShowsDefaults()
{
    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    QSignalSpy writes(&fixture.defaults.defaults(), &Settings::changed);
    SettingsView view(*accounts, fixture.defaults.defaults());
    view.show();
    QCoreApplication::processEvents();

    QCOMPARE(view.metricPicker()->currentText(), QStringLiteral("Session (5 hour)"));
    // The desktop's own (the tests run as XFCE, whose tray draws no label).
    QCOMPARE(view.trayStylePicker()->currentText(), QStringLiteral("Figure in icon"));
    QVERIFY(view.launchAtLoginToggle()->isChecked());
    QCOMPARE(view.intervalPicker()->currentText(), QStringLiteral("5 minutes"));
    QVERIFY(!view.usageAlertsToggle()->isChecked());
    QVERIFY(!view.resetAlertsToggle()->isChecked());
    QCOMPARE(writes.count(), 0);
    for (const QString& key : settingKeys)
        QVERIFY2(!fixture.defaults.defaults().contains(key), qPrintable(key));

    // Choosing what is already shown is no change either.
    Q_EMIT view.metricPicker()->activated(0);
    Q_EMIT view.trayStylePicker()->activated(1);
    Q_EMIT view.intervalPicker()->activated(1);
    QCOMPARE(writes.count(), 0);
}

void TestSettingsView::showsStoredValues_data()
{
    QTest::addColumn<QVariant>("metric");
    QTest::addColumn<QVariant>("interval");
    QTest::addColumn<bool>("launchAtLogin");
    QTest::addColumn<QString>("metricShown");
    QTest::addColumn<QString>("intervalShown");

    QTest::newRow("weekly, 15 minutes, off")
        << QVariant(QStringLiteral("weekly")) << QVariant(900) << false
        << QStringLiteral("Weekly (7 day)") << QStringLiteral("15 minutes");
    QTest::newRow("sonnet, 30 minutes, on")
        << QVariant(QStringLiteral("sonnet")) << QVariant(1800) << true
        << QStringLiteral("Sonnet (7 day)") << QStringLiteral("30 minutes");
    // Edited outside the program: no option is selected rather than a wrong one.
    QTest::newRow("unknown values")
        << QVariant(QStringLiteral("hourly")) << QVariant(42) << true << QString() << QString();
    QTest::newRow("not a number") << QVariant(QStringLiteral("Session"))
                                  << QVariant(QStringLiteral("often")) << true << QString()
                                  << QString();
}

void TestSettingsView::showsStoredValues()
{
    QFETCH(QVariant, metric);
    QFETCH(QVariant, interval);
    QFETCH(bool, launchAtLogin);
    ServiceFixture fixture;
    Settings& defaults = fixture.defaults.defaults();
    defaults.setValue(Settings::menuBarMetricKey, metric);
    defaults.setValue(Settings::refreshIntervalKey, interval);
    defaults.setValue(Settings::launchAtLoginKey, launchAtLogin);
    auto accounts = fixture.makeAccounts();

    SettingsView view(*accounts, defaults);
    QTEST(view.metricPicker()->currentText(), "metricShown");
    QTEST(view.intervalPicker()->currentText(), "intervalShown");
    QCOMPARE(view.launchAtLoginToggle()->isChecked(), launchAtLogin);

    // A change made elsewhere while the window is open shows at once.
    defaults.setValue(Settings::menuBarMetricKey, QStringLiteral("sonnet"));
    QCOMPARE(view.metricPicker()->currentText(), QStringLiteral("Sonnet (7 day)"));
}

void TestSettingsView::pickingWrites()
{
    ServiceFixture fixture;
    Settings& defaults = fixture.defaults.defaults();
    defaults.setValue(Settings::menuBarMetricKey, QStringLiteral("hourly"));
    auto accounts = fixture.makeAccounts();
    SettingsView view(*accounts, defaults);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    // From no selection, the first step picks an option and replaces the stored value.
    pick(view.metricPicker(), Qt::Key_Down);
    QCOMPARE(defaults.stringForKey(Settings::menuBarMetricKey),
             view.metricPicker()->currentIndex() == 0 ? QStringLiteral("session")
                                                      : QStringLiteral("weekly"));
    pick(view.metricPicker(), Qt::Key_End);
    QCOMPARE(view.metricPicker()->currentText(), QStringLiteral("Highest"));
    QCOMPARE(defaults.stringForKey(Settings::menuBarMetricKey), QStringLiteral("highest"));

    pick(view.trayStylePicker(), Qt::Key_End);
    QCOMPARE(view.trayStylePicker()->currentText(), QStringLiteral("Gauge"));
    QCOMPARE(defaults.stringForKey(Settings::trayStyleKey), QStringLiteral("gauge"));

    pick(view.intervalPicker(), Qt::Key_Down);
    QCOMPARE(view.intervalPicker()->currentText(), QStringLiteral("10 minutes"));
    QCOMPARE(defaults.doubleForKey(Settings::refreshIntervalKey), 600.0);
    // The service follows the setting itself (tst_usage_service).
    pick(view.intervalPicker(), Qt::Key_Home);
    QCOMPARE(view.intervalPicker()->currentText(), QStringLiteral("1 minute"));
    QCOMPARE(defaults.doubleForKey(Settings::refreshIntervalKey), 60.0);
    QVERIFY(!defaults.contains(Settings::launchAtLoginKey));
}

void TestSettingsView::metricOffersFurtherWindows()
{
    ServiceFixture fixture;
    fixture.server.on(ServiceFixture::organizationsPath,
                      ServiceBodies::json(ServiceBodies::organizations()));
    fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(R"({
        "five_hour": {"utilization": 2.0, "resets_at": null},
        "seven_day": {"utilization": 0.0, "resets_at": null},
        "limits": [{"kind": "weekly_scoped", "percent": 12, "resets_at": null,
                    "scope": {"model": {"display_name": "Fable", "id": null}}}],
        "extra_usage": {"is_enabled": true, "utilization": 40.0}})"));
    Settings& defaults = fixture.defaults.defaults();
    auto accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    QVERIFY(fixture.fetchAndWait(*service));
    SettingsView view(*accounts, defaults);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QStringList offered;
    for (int i = 0; i < view.metricPicker()->count(); ++i)
        offered << view.metricPicker()->itemText(i);
    QCOMPARE(offered.mid(3),
             (QStringList{QStringLiteral("Highest"), QStringLiteral("Fable (7 day)"),
                          QStringLiteral("Extra usage")}));
    pick(view.metricPicker(), Qt::Key_End);
    QCOMPARE(defaults.stringForKey(Settings::menuBarMetricKey), QStringLiteral("extra_usage"));
    pick(view.metricPicker(), Qt::Key_Up);
    QCOMPARE(defaults.stringForKey(Settings::menuBarMetricKey), QStringLiteral("seven_day_fable"));

    // Once the service stops reporting it, it is offered no more, and the choice stays.
    fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    QVERIFY(fixture.fetchAndWait(*service));
    QCOMPARE(view.metricPicker()->count(), 4);
    QCOMPARE(view.metricPicker()->currentIndex(), -1);
    QCOMPARE(defaults.stringForKey(Settings::menuBarMetricKey), QStringLiteral("seven_day_fable"));
}

void TestSettingsView::launchAtLoginToggles()
{
    ServiceFixture fixture;
    Settings& defaults = fixture.defaults.defaults();
    auto accounts = fixture.makeAccounts();
    SettingsView view(*accounts, defaults);
    QList<bool> stored;
    connect(&defaults, &Settings::changed, this, [&](const QString& key) {
        if (key == Settings::launchAtLoginKey)
            stored << defaults.boolForKey(key);
    });
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    view.launchAtLoginToggle()->setFocus();
    QTest::keyClick(view.launchAtLoginToggle(), Qt::Key_Space);
    QTest::mouseClick(view.launchAtLoginToggle(), Qt::LeftButton);

    // Each flip is written, which is all the window does: launch at login follows the setting.
    QCOMPARE(stored, (QList<bool>{false, true}));
    QVERIFY(view.launchAtLoginToggle()->isChecked());
}

void TestSettingsView::usageAlertsToggleStores()
{
    ServiceFixture fixture;
    Settings& defaults = fixture.defaults.defaults();
    auto accounts = fixture.makeAccounts();
    SettingsView view(*accounts, defaults);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    // "Usage alerts" and "Notify when a limit resets", each its own setting.
    for (const auto& [toggle, key] :
         {std::pair(view.usageAlertsToggle(), Settings::usageAlertsKey),
          std::pair(view.resetAlertsToggle(), Settings::resetAlertsKey)}) {
        toggle->setFocus();
        QTest::keyClick(toggle, Qt::Key_Space);
        QVERIFY(defaults.contains(key));
        QVERIFY(defaults.boolForKey(key));
        QTest::keyClick(toggle, Qt::Key_Space);
        QVERIFY(!defaults.boolForKey(key));
        QVERIFY(!defaults.contains(Settings::launchAtLoginKey));

        // Stored elsewhere, e.g. by a second window's toggle, it shows at once.
        defaults.setValue(key, true);
        QVERIFY(toggle->isChecked());
    }
}

void TestSettingsView::disconnectReturnsDashboardToWelcome()
{
    ServiceFixture fixture;
    fixture.serveHappyPath();
    auto accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    QVERIFY(fixture.fetchAndWait(*service));
    QVERIFY(service->usageData());
    DashboardView dashboard(*accounts);
    SettingsView view(*accounts, fixture.defaults.defaults());
    QCOMPARE(dashboard.content(), DashboardContent::usage);
    QVERIFY(!view.connectedRow()->isHidden());
    QVERIFY(view.notConnectedRow()->isHidden());

    QTest::mouseClick(view.disconnectButton(), Qt::LeftButton);

    // Once the keyring has let it go.
    QTRY_VERIFY(view.connectedRow()->isHidden());
    QVERIFY(!view.notConnectedRow()->isHidden());
    QCOMPARE(dashboard.content(), DashboardContent::welcome);
    QVERIFY(!service->hasCookie());
    QTRY_COMPARE(fixture.store->secret(), std::nullopt);

    // A cookie saved later brings the connected row back.
    service->saveCookie(QStringLiteral("sessionKey=test-cookie-2"));
    QTRY_VERIFY(!view.connectedRow()->isHidden());
}

void TestSettingsView::organizationPickedReadsItsFigures()
{
    ServiceFixture fixture;
    const QByteArray personal = "/api/organizations/org-personal-4b5d/usage";
    fixture.server.on(ServiceFixture::organizationsPath,
                      ServiceBodies::json(R"([{"uuid":"org-team","name":"Acme Team"},
                                              {"uuid":"org-personal-4b5d"}])"));
    fixture.server.on("/api/organizations/org-team/usage",
                      ServiceBodies::json(ServiceBodies::usage()));
    fixture.server.on(personal, ServiceBodies::json(ServiceBodies::usage()));
    auto accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    QVERIFY(fixture.startAndWait(*service));
    SettingsView view(*accounts, fixture.defaults.defaults());
    DashboardView dashboard(*accounts);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    // Which organization the figures belong to is never left to guess.
    QCOMPARE(view.connectedText()->text(),
             QStringLiteral("Connected through your browser session · Acme Team"));
    QCOMPARE(dashboard.organizationLabel()->text(), QStringLiteral("Acme Team"));
    QVERIFY(!dashboard.organizationLabel()->isHidden());
    QVERIFY(view.organizationPicker()->isVisible());
    QCOMPARE(view.organizationPicker()->count(), 2);

    fixture.server.clearRequests();
    pick(view.organizationPicker(), Qt::Key_Down);
    QVERIFY(fixture.settle(*service));
    QCOMPARE(fixture.server.requestedPaths(),
             (QList<QByteArray>{ServiceFixture::organizationsPath, personal}));
    QCOMPARE(fixture.defaults.defaults().stringForKey(Settings::organizationIdKey),
             QStringLiteral("org-personal-4b5d"));
    // No name: the identifier's first eight characters.
    QCOMPARE(view.connectedText()->text(),
             QStringLiteral("Connected through your browser session · org-pers"));
    QCOMPARE(dashboard.organizationLabel()->text(), QStringLiteral("org-pers"));
}

void TestSettingsView::connectionNamesTheSource_data()
{
    QTest::addColumn<bool>("cookie");
    QTest::addColumn<bool>("claudeCode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("note"); // empty: none shown
    QTest::addColumn<bool>("disconnect");
    QTest::addColumn<bool>("sourcePicker");
    // Where the cookie saved last came from; empty: pasted or from a browser.
    QTest::addColumn<QString>("origin");

    const QString browser =
        QStringLiteral("Connected through your browser session · Test organization");
    QTest::newRow("cookie") << true << false << browser << QString() << true << false << QString();
    QTest::newRow("Claude Code") << false << true
                                 << QStringLiteral("Connected through Claude Code · Pro")
                                 << QStringLiteral("Sign out in Claude Code to disconnect.")
                                 << false << false << QString();
    QTest::newRow("both: the cookie, and a choice")
        << true << true << browser << QString() << true << true << QString();
    QTest::newRow("cookie from the desktop app")
        << true << false << QStringLiteral("Connected through Claude Desktop · Test organization")
        << QString() << true << false << Accounts::desktopAppOrigin;
}

void TestSettingsView::connectionNamesTheSource()
{
    QFETCH(bool, cookie);
    QFETCH(bool, claudeCode);
    QFETCH(QString, note);
    ServiceFixture fixture;
    fixture.serveHappyPath();
    fixture.server.on("/api/oauth/usage", ServiceBodies::json(ServiceBodies::usage()));
    if (!cookie)
        fixture.store->put(std::nullopt);
    if (claudeCode)
        fixture.writeClaudeCode(QStringLiteral("test-token-1"),
                                QDateTime::currentDateTimeUtc().addDays(1), QStringLiteral("pro"));
    QFETCH(QString, origin);
    auto accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    QVERIFY(fixture.startAndWait(*service));
    SettingsView view(*accounts, fixture.defaults.defaults());
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    if (!origin.isEmpty()) {
        service->saveCookie(QStringLiteral("sessionKey=test-cookie-1"), std::nullopt, origin);
        QVERIFY(fixture.settle(*service));
    }
    QTEST(view.connectedText()->text(), "text");
    QCOMPARE(view.connectionNote()->isVisible(), !note.isEmpty());
    if (!note.isEmpty())
        QCOMPARE(view.connectionNote()->text(), note);
    QTEST(view.disconnectButton()->isVisible(), "disconnect");
    QTEST(view.sourcePicker()->isVisible(), "sourcePicker");
    if (!view.sourcePicker()->isVisible())
        return;
    // Picking Claude Code reads its figures with the token.
    fixture.server.clearRequests();
    pick(view.sourcePicker(), Qt::Key_End);
    QVERIFY(fixture.settle(*service));
    QCOMPARE(fixture.server.requestedPaths(), QList<QByteArray>{"/api/oauth/usage"});
    QCOMPARE(view.connectedText()->text(), QStringLiteral("Connected through Claude Code · Pro"));
    QCOMPARE(view.connectionNote()->text(),
             QStringLiteral("Disconnect removes the browser session only."));
}

void TestSettingsView::keyboardNamesAndFit()
{
    ServiceFixture fixture;
    fixture.serveHappyPath();
    auto accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    QVERIFY(fixture.startAndWait(*service));
    SettingsView view(*accounts, fixture.defaults.defaults());
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    QCOMPARE(view.versionLabel()->text(), QString::fromUtf8(BuildConfig::version));
    QCOMPARE(view.shortcutLabel()->text(), QStringLiteral("Super + Shift + U"));

    struct Expected {
        QWidget* widget;
        QString name;
        QAccessible::Role role;
    };
    // In the order Tab reaches them, which is the order on screen.
    const QList<Expected> controls{
        {view.metricPicker(), QStringLiteral("Display Metric"), QAccessible::ComboBox},
        {view.trayStylePicker(), QStringLiteral("Tray Style"), QAccessible::ComboBox},
        {view.launchAtLoginToggle(), QStringLiteral("Launch at Login"), QAccessible::CheckBox},
        {view.intervalPicker(), QStringLiteral("Refresh Interval"), QAccessible::ComboBox},
        {view.usageAlertsToggle(), QStringLiteral("Usage alerts"), QAccessible::CheckBox},
        {view.resetAlertsToggle(), QStringLiteral("Notify when a limit resets"),
         QAccessible::CheckBox},
        {view.addAccountButton(), QStringLiteral("Add Account…"), QAccessible::Button},
        {view.disconnectButton(), QStringLiteral("Disconnect"), QAccessible::Button},
        {view.supportLink(), QStringLiteral("☕ Support Development"), QAccessible::Button},
        {view.quitButton(), QStringLiteral("Quit Gaugery"), QAccessible::Button},
    };
    view.metricPicker()->setFocus();
    for (const Expected& control : controls) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control.widget);
        QCOMPARE(accessibleLabel(accessible), control.name);
        QCOMPARE(accessible->role(), control.role);
        QCOMPARE(QApplication::focusWidget(), control.widget);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }

    // With one account everything fits the fixed frame unscrolled, connected or not.
    const auto fits = [&view] {
        return view.scrollArea()->widget()->sizeHint().height() <= SettingsView::viewHeight;
    };
    QVERIFY(fits());
    service->clearCookie();
    QVERIFY(fits());
}

void TestSettingsView::accountsAddedRenamedRemoved()
{
    ServiceFixture fixture;
    fixture.server.on(ServiceFixture::organizationsPath,
                      ServiceBodies::json(R"([{"uuid":"org-1234","name":"Acme Team"},
                                              {"uuid":"org-personal","name":"Personal"}])"));
    fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    fixture.server.on("/api/organizations/org-personal/usage",
                      ServiceBodies::json(ServiceBodies::usage()));
    fixture.writeClaudeCode(QStringLiteral("test-token-1"),
                            QDateTime::currentDateTimeUtc().addDays(1));
    const auto accounts = fixture.makeAccounts();
    QVERIFY(ServiceFixture::startAndWait(*accounts));
    Settings& defaults = fixture.defaults.defaults();
    SettingsView view(*accounts, defaults);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // One account: the connection as it always was.
    QVERIFY(view.connectedRow()->isVisible());
    QVERIFY(!view.accountList()->isVisible());
    QVERIFY(!view.trayAccountPicker()->isVisible());

    // Offered: a browser session, Claude Code's sign-in that no account reads, and the
    // session's other organization.
    const auto offered = [&view] {
        view.addMenu()->fill();
        QStringList texts;
        for (const QAction* action : view.addMenu()->actions())
            if (!action->isSeparator())
                texts << action->text();
        return texts;
    };
    const QString watchPersonal = QStringLiteral("Watch Personal as its own account");
    const QString otherFolder = QStringLiteral("Claude Code in another folder…");
    QCOMPARE(offered(), (QStringList{QStringLiteral("Browser session…"),
                                     QStringLiteral("Claude Code"), otherFolder, watchPersonal}));
    QSignalSpy browserSession(&view, &SettingsView::addBrowserSessionRequested);
    view.addMenu()->actions().first()->trigger();
    QCOMPARE(browserSession.size(), 1);

    // Watching the organization: the same cookie, from the keyring, in an item of its own;
    // chosen twice before it is there, it is added once.
    view.addMenu()->actions().last()->trigger();
    view.addMenu()->actions().last()->trigger();
    QTRY_COMPARE(accounts->accounts().size(), 2);
    const Account added = accounts->accounts().last();
    QCOMPARE(added.name, QStringLiteral("Personal"));
    QCOMPARE(added.organizationId, QStringLiteral("org-personal"));
    QTRY_COMPARE(fixture.storeOf(added.id)->secret(), fixture.store->secret());
    QCOMPARE(accounts->accounts().size(), 2);
    QVERIFY(!offered().contains(watchPersonal));
    QVERIFY(view.accountList()->isVisible());
    QVERIFY(!view.connectedRow()->isVisible());
    QCOMPARE(view.accountList()->rows().size(), 2);
    // Tab goes from "Add Account…" to the rows, which were built after the rest.
    view.addAccountButton()->setFocus();
    QTest::keyClick(view.addAccountButton(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.accountList()->rows().first().rename);

    // Tray shows: each account, and the highest of all.
    QVERIFY(view.trayAccountPicker()->isVisible());
    QCOMPARE(view.trayAccountPicker()->itemText(1), QStringLiteral("Personal"));
    pick(view.trayAccountPicker(), Qt::Key_End);
    QCOMPARE(view.trayAccountPicker()->currentText(), QStringLiteral("Highest of all"));
    QCOMPARE(defaults.setting(Settings::trayAccountKey).toString(), Accounts::highestOfAll);

    // Renamed in place: Escape keeps the name, Return takes the new one.
    const auto rename = [&view](const QString& name, Qt::Key key) {
        const AccountList::Row row = view.accountList()->rows().last();
        QTest::mouseClick(row.rename, Qt::LeftButton);
        QVERIFY(row.editor->hasFocus());
        QTest::keyClicks(row.editor, name);
        QTest::keyClick(row.editor, key);
    };
    rename(QStringLiteral("Side project"), Qt::Key_Escape);
    QCOMPARE(accounts->accounts().last().name, QStringLiteral("Personal"));
    rename(QStringLiteral("Home"), Qt::Key_Return);
    QCOMPARE(accounts->accounts().last().name, QStringLiteral("Home"));
    QTRY_COMPARE(view.accountList()->rows().last().name->text(), QStringLiteral("Home"));

    // A locked keyring keeps the item, and with it the account, which says why.
    defaults.setValue(Settings::trayAccountKey, added.id);
    fixture.storeOf(added.id)->setLocked(true);
    QTest::mouseClick(view.accountList()->rows().last().remove, Qt::LeftButton);
    QTRY_COMPARE(view.accountList()->rows().last().error->text(),
                 FetchMessages::removeFailed(true));
    QCOMPARE(accounts->accounts().size(), 2);
    QVERIFY(fixture.storeOf(added.id)->secret());

    // Removed in one click: its keyring item goes, the first account's stays, and the tray
    // shows the first account again.
    fixture.storeOf(added.id)->setLocked(false);
    QTest::mouseClick(view.accountList()->rows().last().remove, Qt::LeftButton);
    QTRY_COMPARE(accounts->accounts().size(), 1);
    QCOMPARE(fixture.storeOf(added.id)->secret(), std::nullopt);
    QCOMPARE(fixture.store->secret(), std::optional(QByteArray("sessionKey=test-cookie-1")));
    QCOMPARE(defaults.stringForKey(Settings::trayAccountKey), Accounts::defaultId);
    QVERIFY(view.connectedRow()->isVisible());
    QVERIFY(!view.trayAccountPicker()->isVisible());

    // Another Claude Code folder, through the picker: the reason it cannot be read, or an
    // account named after it; the default folder's sign-in stays on offer.
    const auto pickFolder = [&](const QString& folder) {
        view.addMenu()->fill();
        for (QAction* action : view.addMenu()->actions())
            if (action->text() == otherFolder)
                action->trigger();
        QPointer<ClaudeCodeFolderDialog> dialog = view.findChild<ClaudeCodeFolderDialog*>();
        dialog->selectFile(folder);
        dialog->accept();
        // Open with the reason, or closed once the account is added.
        const auto* box = dialog->findChild<QMessageBox*>();
        const QString why = !dialog->isVisible() ? QString()
                            : box                ? box->text()
                                                 : QStringLiteral("open without a reason");
        delete dialog;
        return why;
    };
    const QString work = fixture.claudeHome.filePath(QStringLiteral(".claude-work"));
    QVERIFY(QDir().mkpath(work));
    QVERIFY(pickFolder(work).contains(QLatin1String("holds no .credentials.json")));
    fixture.writeClaudeCode(QStringLiteral("test-token-2"),
                            QDateTime::currentDateTimeUtc().addDays(1), QStringLiteral("max"), {},
                            work);
    QCOMPARE(pickFolder(work), QString());
    QCOMPARE(accounts->accounts().last().name, QStringLiteral(".claude-work"));
    QVERIFY(pickFolder(work).contains(QLatin1String("already")));
    QVERIFY(offered().contains(QStringLiteral("Claude Code")));
    accounts->remove(accounts->accounts().last().id);
    QTRY_COMPARE(accounts->accounts().size(), 1);

    // The removed accounts' ids are never handed out again, after a restart either.
    QCOMPARE(fixture.makeAccounts()->addClaudeCodeAccount(QStringLiteral("Later")),
             QStringLiteral("account4"));
}

QTEST_MAIN(TestSettingsView)
#include "tst_settings_view.moc"
