#include "service_fixture.h"
#include "views/sign_in/setup_view.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

// Offscreen: what the cookie editor saves, when it can save, and how it closes.
class TestSetupView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveEnabled_data();
    void saveEnabled();
    void savesTrimmedAndStaysOpen_data();
    void savesTrimmedAndStaysOpen();
    void closes_data();
    void closes();
    void keyboardAndNames();
    void importFromBrowser_data();
    void importFromBrowser();
    void addingAnAccount_data();
    void addingAnAccount();
};

void TestSetupView::saveEnabled_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("spaces and newlines") << QStringLiteral("  \n \t\r\n  ") << false;
    QTest::newRow("no-break space") << QStringLiteral("\u00a0\n") << false;
    QTest::newRow("one character") << QStringLiteral("x") << true;
    QTest::newRow("padded cookie") << QStringLiteral("  sessionKey=test-cookie\n") << true;
}

void TestSetupView::saveEnabled()
{
    QFETCH(QString, text);
    ServiceFixture fixture;
    auto service = fixture.makeService();

    // As created by the window, and after the user edits to the same text.
    SetupView view(*service, text);
    QTEST(view.saveButton()->isEnabled(), "enabled");
    view.editor()->setPlainText(QStringLiteral("sessionKey=other-test-cookie"));
    QVERIFY(view.saveButton()->isEnabled());
    view.editor()->setPlainText(text);
    QTEST(view.saveButton()->isEnabled(), "enabled");

    // Triggered anyway, a blank text saves nothing.
    if (!view.saveButton()->isEnabled()) {
        view.saveButton()->setEnabled(true);
        view.saveButton()->click();
        QCoreApplication::processEvents();
        QCOMPARE(fixture.store->storeCalls(), 0);
    }
}

void TestSetupView::savesTrimmedAndStaysOpen_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");

    QTest::newRow("trailing newline from a browser copy")
        << QStringLiteral("sessionKey=test-cookie\n") << QStringLiteral("sessionKey=test-cookie");
    QTest::newRow("inner spaces and semicolons kept")
        << QStringLiteral(" \tsessionKey=test-cookie; lastActiveOrg=test-org;  theme=dark \n")
        << QStringLiteral("sessionKey=test-cookie; lastActiveOrg=test-org;  theme=dark");
    QTest::newRow("multi-line paste keeps its inner line break")
        << QStringLiteral("a=test-1;\nb=test-2\n\n") << QStringLiteral("a=test-1;\nb=test-2");
    const QString longLine = QStringLiteral("sessionKey=") + QString(800, QLatin1Char('k'));
    QTest::newRow("long single line") << longLine << longLine;
}

void TestSetupView::savesTrimmedAndStaysOpen()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    ServiceFixture fixture;
    fixture.serveHappyPath();
    auto service = fixture.makeService();
    int closes = 0;
    SetupView view(*service, QString(), [&closes] { ++closes; });
    view.show();

    view.editor()->insertPlainText(typed);
    QCOMPARE(view.cookieText(), typed);
    QTest::mouseClick(view.saveButton(), Qt::LeftButton);

    QTRY_COMPARE(fixture.store->secret(), std::optional(saved.toUtf8()));
    QCOMPARE(fixture.store->storeCalls(), 1);
    QTRY_VERIFY(service->hasCookie());
    QCOMPARE(closes, 0);
    QVERIFY(view.isVisible());
    QCOMPARE(view.cookieText(), typed);
}

void TestSetupView::closes_data()
{
    QTest::addColumn<bool>("byEscape");

    QTest::newRow("Cancel") << false;
    QTest::newRow("Escape") << true;
}

void TestSetupView::closes()
{
    QFETCH(bool, byEscape);
    ServiceFixture fixture;
    auto service = fixture.makeService();
    int closes = 0;
    SetupView view(*service, QStringLiteral("sessionKey=edited-test-cookie"),
                   [&closes] { ++closes; });
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    if (byEscape) {
        view.editor()->setFocus();
        QTest::keyClick(view.editor(), Qt::Key_Escape);
    } else {
        QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
    }
    QCOMPARE(closes, 1);
    QCoreApplication::processEvents();
    QCOMPARE(fixture.store->storeCalls(), 0);

    // Without a close action Cancel does nothing.
    SetupView bare(*service, QString());
    bare.cancelButton()->click();
}

void TestSetupView::keyboardAndNames()
{
    ServiceFixture fixture;
    auto service = fixture.makeService();
    SetupView view(*service, QStringLiteral("sessionKey=test-cookie"));
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));

    const auto name = [](QWidget* widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    QCOMPARE(name(view.editor()), QStringLiteral("Session Cookie"));
    QCOMPARE(name(view.cancelButton()), QStringLiteral("Cancel"));
    QCOMPARE(name(view.saveButton()), QStringLiteral("Save"));

    // Tab leaves the editor instead of typing a tab into the cookie.
    view.editor()->setFocus();
    QTest::keyClick(view.editor(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.cancelButton());
    QCOMPARE(view.cookieText(), QStringLiteral("sessionKey=test-cookie"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.saveButton());

    // Return is the window's default action: "Save", even from "Cancel"; in the editor
    // it is a line break.
    view.cancelButton()->setFocus();
    QTest::keyClick(view.cancelButton(), Qt::Key_Return);
    QTRY_COMPARE(fixture.store->storeCalls(), 1);
    view.editor()->setFocus();
    view.editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(view.editor(), Qt::Key_Return);
    QCOMPARE(view.cookieText(), QStringLiteral("sessionKey=test-cookie\n"));
    view.editor()->clear();
    view.cancelButton()->setFocus();
    QTest::keyClick(view.cancelButton(), Qt::Key_Enter, Qt::KeypadModifier);
    QCoreApplication::processEvents();
    QCOMPARE(fixture.store->storeCalls(), 1);
}

void TestSetupView::importFromBrowser_data()
{
    QTest::addColumn<int>("found");
    // Chosen from the list when several were found.
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("editedAfter");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("savedOrganization");

    const QString typed = QStringLiteral("sessionKey=typed-test-cookie");
    QTest::newRow("one: filled, saved with its organization")
        << 1 << 0 << false << QStringLiteral("sessionKey=test-cookie-1")
        << QStringLiteral("Found in Firefox, profile default-release.")
        << QStringLiteral("test-org-1");
    QTest::newRow("several: the second chosen")
        << 2 << 1 << false << QStringLiteral("sessionKey=test-cookie-2")
        << QStringLiteral("Signed-in sessions found in 2 browser profiles; choose one:")
        << QStringLiteral("test-org-2");
    QTest::newRow("edited after the import: no organization")
        << 1 << 0 << true << QStringLiteral("sessionKey=test-cookie-1x")
        << QStringLiteral("Found in Firefox, profile default-release.") << QString();
    QTest::newRow("none: the text stays, the browsers are named")
        << 0 << 0 << false << typed
        << QStringLiteral("No signed-in session found in Firefox, Chromium. Sign in to Claude in "
                          "your browser, then try again.\nChromium, profile Default: the session "
                          "has expired.")
        << QString();
}

void TestSetupView::importFromBrowser()
{
    QFETCH(int, found);
    QFETCH(int, choice);
    QFETCH(bool, editedAfter);
    QFETCH(QString, editor);
    QFETCH(QString, message);
    QFETCH(QString, savedOrganization);
    ServiceFixture fixture;
    fixture.serveHappyPath();
    auto service = fixture.makeService();
    SetupView view(*service, QStringLiteral("sessionKey=typed-test-cookie"));
    view.show();

    BrowserImportResult result;
    result.browsers = {QStringLiteral("Firefox"), QStringLiteral("Chromium")};
    const QDateTime used = QDateTime::currentDateTimeUtc();
    if (found >= 1)
        result.sessions.append({QStringLiteral("Firefox"), QStringLiteral("default-release"),
                                "sessionKey=test-cookie-1", QStringLiteral("test-org-1"), used});
    if (found >= 2)
        result.sessions.append({QStringLiteral("Chromium"), QStringLiteral("Default"),
                                "sessionKey=test-cookie-2", QStringLiteral("test-org-2"),
                                used.addDays(-1)});
    if (found == 0)
        result.problems.append(
            {QStringLiteral("Chromium"), QStringLiteral("Default"), CookieReadProblem::Expired});
    // Shared with the worker, and opened whatever happens here, so it always ends.
    const auto gate = std::make_shared<QSemaphore>();
    const auto open = qScopeGuard([gate] { gate->release(); });
    view.setBrowserImport([gate, result] {
        gate->acquire();
        return result;
    });

    // While the import waits, the window shows it is busy and still answers.
    QSignalSpy finished(&view, &SetupView::importFinished);
    QTest::mouseClick(view.importButton(), Qt::LeftButton);
    QVERIFY(!view.importButton()->isEnabled());
    QCOMPARE(view.importMessage()->text(), QStringLiteral("Looking in your browsers…"));
    view.editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(view.editor(), QStringLiteral("!"));
    QCOMPARE(view.cookieText(), QStringLiteral("sessionKey=typed-test-cookie!"));
    view.editor()->setPlainText(QStringLiteral("sessionKey=typed-test-cookie"));
    gate->release();
    QVERIFY(finished.wait());

    QVERIFY(view.importButton()->isEnabled());
    QCOMPARE(view.importMessage()->text(), message);
    QCOMPARE(view.importChoices()->isVisible(), found > 1);
    if (found > 1) {
        QCOMPARE(view.importChoices()->itemText(0).left(33),
                 QStringLiteral("Firefox, profile default-release "));
        view.importChoices()->setCurrentIndex(choice);
        Q_EMIT view.importChoices()->activated(choice);
    }
    if (editedAfter) {
        view.editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(view.editor(), QStringLiteral("x"));
    }
    QCOMPARE(view.cookieText(), editor);
    // Nothing is stored until "Save".
    QCOMPARE(fixture.store->storeCalls(), 0);

    view.saveButton()->click();
    QTRY_COMPARE(fixture.store->storeCalls(), 1);
    // Chosen once the keyring has answered, on the service's turn.
    QTRY_COMPARE(fixture.defaults.defaults().stringForKey(Settings::organizationIdKey),
                 savedOrganization);
}

void TestSetupView::addingAnAccount_data()
{
    QTest::addColumn<bool>("imported");
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("organization");

    QTest::newRow("pasted: the next free name")
        << false << QString() << QStringLiteral("Account 2") << QString();
    QTest::newRow("imported: named after its organization")
        << true << QString() << QStringLiteral("Personal") << QStringLiteral("org-personal");
    QTest::newRow("a name typed first stays")
        << true << QStringLiteral("Side project") << QStringLiteral("Side project")
        << QStringLiteral("org-personal");
}

void TestSetupView::addingAnAccount()
{
    QFETCH(bool, imported);
    QFETCH(QString, typedName);
    QFETCH(QString, name);
    QFETCH(QString, organization);
    ServiceFixture fixture;
    // The first account's session lists the organization the import finds.
    fixture.server.on(ServiceFixture::organizationsPath,
                      ServiceBodies::json(R"([{"uuid":"org-1234","name":"Work"},
                                              {"uuid":"org-personal","name":"Personal"}])"));
    fixture.server.on(ServiceFixture::usagePath, ServiceBodies::json(ServiceBodies::usage()));
    const auto accounts = fixture.makeAccounts();
    QVERIFY(ServiceFixture::startAndWait(*accounts));
    int closes = 0;
    SetupView view(*accounts, [&closes] { ++closes; });
    view.show();
    QCOMPARE(view.nameField()->text(), QStringLiteral("Account 2"));
    if (!typedName.isEmpty()) {
        view.nameField()->clear();
        QTest::keyClicks(view.nameField(), typedName);
    }
    const QByteArray cookie = "sessionKey=test-cookie-added";
    if (imported) {
        view.setBrowserImport([cookie] {
            BrowserImportResult result;
            result.sessions.append({QStringLiteral("Firefox"), QStringLiteral("default-release"),
                                    cookie, QStringLiteral("org-personal"),
                                    QDateTime::currentDateTimeUtc()});
            return result;
        });
        QSignalSpy finished(&view, &SetupView::importFinished);
        QTest::mouseClick(view.importButton(), Qt::LeftButton);
        QVERIFY(finished.wait());
    } else {
        view.editor()->insertPlainText(QString::fromLatin1(cookie));
    }
    QCOMPARE(view.nameField()->text(), name);
    view.saveButton()->click();

    // Added beside the first, whose cookie stays as it was; the window closes.
    QCOMPARE(accounts->accounts().size(), 2);
    const Account added = accounts->accounts().last();
    QCOMPARE(added.name, name);
    QCOMPARE(added.organizationId, organization);
    QTRY_COMPARE(fixture.storeOf(added.id)->secret(), std::optional(cookie));
    QCOMPARE(fixture.store->storeCalls(), 0);
    QCOMPARE(closes, 1);
}

QTEST_MAIN(TestSetupView)
#include "tst_setup_view.moc"
