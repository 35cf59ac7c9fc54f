#include "app/onboarding_window_controller.h"
#include "app/settings_window_controller.h"
#include "service_fixture.h"
#include "views/settings_view.h"
#include "views/setup_view.h"

#include <QApplication>
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
};

namespace {

// The in-memory keyring and settings stand in for the process-wide ones.
struct Controllers {
    explicit Controllers(ServiceFixture& fixture)
    {
        onboarding.setKeyring(fixture.keyring);
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
    UsageService* const service = &accounts->first();
    Controllers controllers(fixture);
    if (onboarding)
        controllers.onboarding.show(*service);
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
    UsageService* const service = &accounts->first();
    Controllers controllers(fixture);

    controllers.onboarding.show(*service);
    QWidget* first = controllers.onboarding.window();
    editorOf(first)->clear();
    QTest::keyClicks(editorOf(first), QStringLiteral("typed but not saved"));
    first->showMinimized();

    controllers.onboarding.show(*service);
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
    UsageService* const service = &accounts->first();
    Controllers controllers(fixture);

    QCOMPARE(fixture.keyring.removeNow(), SecretState::absent);
    controllers.onboarding.show(*service);
    QCOMPARE(editorOf(controllers.onboarding.window())->toPlainText(), QString());
    closeAndSettle(controllers.onboarding.window());
    QCOMPARE(controllers.onboarding.window(), nullptr);

    QVERIFY(fixture.keyring.saveNow(QStringLiteral("sessionKey=test-value-2")));
    controllers.onboarding.show(*service);
    QTRY_COMPARE(editorOf(controllers.onboarding.window())->toPlainText(),
                 QStringLiteral("sessionKey=test-value-2"));
}

void TestWindowControllers::cancelClosesAndSaveDoesNot()
{
    ServiceFixture fixture;
    auto accounts = fixture.makeAccounts();
    UsageService* const service = &accounts->first();
    Controllers controllers(fixture);

    controllers.onboarding.show(*service);
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
    UsageService* const service = &accounts->first();
    Controllers controllers(fixture);

    controllers.onboarding.show(*service);
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

QTEST_MAIN(TestWindowControllers)
#include "tst_window_controllers.moc"
