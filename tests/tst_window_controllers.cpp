#include "app/history_window_controller.h"
#include "app/onboarding_window_controller.h"
#include "app/settings_window_controller.h"
#include "service_fixture.h"
#include "services/history/history_store.h"
#include "views/history/history_view.h"
#include "views/settings/settings_view.h"
#include "views/sign_in/setup_view.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

class TestWindowControllers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowsAreFixedAndTitled_data();
    void windowsAreFixedAndTitled();
    void secondShowKeepsTheOpenWindow();
    void reopenedWindowIsFreshAndPrefilled();
    void cancelClosesAndSaveDoesNot();
    void bothWindowsOpenAtOnce();
    void cookieWindowBelongsToItsAccount();
};

namespace {

// The in-memory keyring and settings stand in for the process-wide ones.
struct Controllers {
    explicit Controllers(ServiceFixture& fixture)
    {
        settings.setSettings(fixture.defaults.defaults());
    }

    OnboardingWindowController onboarding;
    SettingsWindowController settings;
};

QPlainTextEdit* editorOf(QWidget* window)
{
    return window ? window->findChild<QPlainTextEdit*>() : nullptr;
}

// A closed window is deleted later; let that happen before looking again.
void closeAndSettle(QWidget* window)
{
    QPointer<QWidget> watched(window);
    window->close();
    QTRY_VERIFY(watched.isNull());
}

} // namespace

void TestWindowControllers::windowsAreFixedAndTitled_data()
{
    QTest::addColumn<bool>("onboarding");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QSize>("size");

    QTest::newRow("cookie") << true << QStringLiteral("Gaugery") << QSize(520, 300);
    QTest::newRow("settings") << false << QStringLiteral("Gaugery Settings")
                              << QSize(SettingsView::viewWidth, SettingsView::viewHeight);
}

void TestWindowControllers::windowsAreFixedAndTitled()
{
    QFETCH(bool, onboarding);
    QFETCH(QString, title);
    QFETCH(QSize, size);

    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    Controllers controllers(fixture);
    if (onboarding)
        controllers.onboarding.show(*accounts, Accounts::defaultId);
    else
        controllers.settings.show(*accounts);
    QWidget* window = onboarding ? controllers.onboarding.window() : controllers.settings.window();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->size(), size);
    QCOMPARE(window->minimumSize(), size);
    QCOMPARE(window->maximumSize(), size);
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    const QRect available = window->screen()->availableGeometry();
    QVERIFY(qAbs(window->frameGeometry().center().x() - available.center().x()) <= 1);
    QVERIFY(qAbs(window->frameGeometry().center().y() - available.center().y()) <= 1);
}

void TestWindowControllers::secondShowKeepsTheOpenWindow()
{
    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    Controllers controllers(fixture);

    controllers.onboarding.show(*accounts, Accounts::defaultId);
    QWidget* first = controllers.onboarding.window();
    editorOf(first)->clear();
    QTest::keyClicks(editorOf(first), QStringLiteral("typed but not saved"));
    first->showMinimized();

    controllers.onboarding.show(*accounts, Accounts::defaultId);
    QCOMPARE(controllers.onboarding.window(), first);
    QCOMPARE(editorOf(first)->toPlainText(), QStringLiteral("typed but not saved"));
    QVERIFY(!first->isMinimized());
    QVERIFY(first->isVisible());
    const QWidgetList windows = QApplication::topLevelWidgets();
    QCOMPARE(
        std::count_if(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); }),
        1);
}

void TestWindowControllers::reopenedWindowIsFreshAndPrefilled()
{
    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    Controllers controllers(fixture);

    QCOMPARE(fixture.keyring.removeNow(), SecretState::absent);
    controllers.onboarding.show(*accounts, Accounts::defaultId);
    QCOMPARE(editorOf(controllers.onboarding.window())->toPlainText(), QString());
    closeAndSettle(controllers.onboarding.window());
    QCOMPARE(controllers.onboarding.window(), nullptr);

    QVERIFY(fixture.keyring.saveNow(QStringLiteral("sessionKey=test-value-2")));
    controllers.onboarding.show(*accounts, Accounts::defaultId);
    QTRY_COMPARE(editorOf(controllers.onboarding.window())->toPlainText(),
                 QStringLiteral("sessionKey=test-value-2"));
}

void TestWindowControllers::cancelClosesAndSaveDoesNot()
{
    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    Controllers controllers(fixture);

    controllers.onboarding.show(*accounts, Accounts::defaultId);
    // Keys go to the active window; the stored cookie arrives first.
    QVERIFY(QTest::qWaitForWindowActive(controllers.onboarding.window()));
    auto* view = controllers.onboarding.window()->findChild<SetupView*>();
    QTRY_VERIFY(!view->cookieText().isEmpty());
    // The controller gives the window its import.
    QVERIFY(view->importButton()->isVisible());
    view->editor()->clear();
    QTest::keyClicks(view->editor(), QStringLiteral("sessionKey=test-value"));
    view->saveButton()->click();
    // The keyring write runs off the GUI thread.
    QTRY_COMPARE(fixture.keyring.readNow().cookie, QStringLiteral("sessionKey=test-value"));
    QVERIFY(controllers.onboarding.window());

    QPointer<QWidget> window(controllers.onboarding.window());
    QTest::keyClick(view->editor(), Qt::Key_Escape);
    QTRY_VERIFY(window.isNull());
    QCOMPARE(controllers.onboarding.window(), nullptr);
}

void TestWindowControllers::bothWindowsOpenAtOnce()
{
    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    Controllers controllers(fixture);

    controllers.onboarding.show(*accounts, Accounts::defaultId);
    controllers.settings.show(*accounts);
    QWidget* cookie = controllers.onboarding.window();
    QWidget* settings = controllers.settings.window();
    QVERIFY(cookie && settings && cookie != settings);
    QVERIFY(cookie->isVisible() && settings->isVisible());
    QVERIFY(settings->findChild<SettingsView*>());

    // Closing one leaves the other as it was.
    closeAndSettle(settings);
    QCOMPARE(controllers.settings.window(), nullptr);
    QCOMPARE(controllers.onboarding.window(), cookie);
    QVERIFY(cookie->isVisible());
}

void TestWindowControllers::cookieWindowBelongsToItsAccount()
{
    ServiceFixture fixture;
    const ScriptedResponse usage = ServiceBodies::json(ServiceBodies::usage());
    fixture.serveAccounts(
        {{QStringLiteral("Work"), "org-work", usage}, {QStringLiteral("Home"), "org-home", usage}});
    auto accounts = fixture.makeAccounts();
    const QString home = accounts->accounts().last().id;
    Controllers controllers(fixture);

    controllers.onboarding.show(*accounts, home);
    QWidget* window = controllers.onboarding.window(home);
    QCOMPARE(window->windowTitle(), QStringLiteral("Session Cookie for Home"));
    QCOMPARE(controllers.onboarding.window(), nullptr);
    QPointer<SetupView> view(window->findChild<SetupView*>());
    QTRY_COMPARE(view->cookieText(), QStringLiteral("sessionKey=test-cookie-") + home);
    view->editor()->setPlainText(QStringLiteral("sessionKey=test-renewed"));
    view->saveButton()->click();
    QTRY_COMPARE(fixture.storeOf(home)->secret(),
                 std::optional(QByteArray("sessionKey=test-renewed")));
    QCOMPARE(fixture.store->secret(), std::optional(QByteArray("sessionKey=test-cookie-1")));

    // The History window showing the account.
    HistoryStore store(fixture.claudeHome.filePath(QStringLiteral("history.sqlite")));
    HistoryWindowController history;
    history.setStore(store);
    history.show(*accounts);
    Q_EMIT history.window()->findChild<HistoryView*>()->accountPicker()->activated(1);

    // Removing the account closes its windows; a Save still reaching one stores nothing.
    QSignalSpy removed(accounts.get(), &UsageAccounts::accountRemoved);
    accounts->remove(home);
    QVERIFY(removed.wait());
    QCOMPARE(controllers.onboarding.window(home), nullptr);
    QCOMPARE(history.window(), nullptr);
    QVERIFY(view);
    view->editor()->setPlainText(QStringLiteral("sessionKey=test-too-late"));
    view->saveButton()->click();
    QTRY_VERIFY(view.isNull());
    QCOMPARE(fixture.store->secret(), std::optional(QByteArray("sessionKey=test-cookie-1")));
}

QTEST_MAIN(TestWindowControllers)
#include "tst_window_controllers.moc"
