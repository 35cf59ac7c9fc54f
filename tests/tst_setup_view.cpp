#include "service_fixture.h"
#include "views/setup_view.h"

#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
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

    QTest::keyClick(view.saveButton(), Qt::Key_Return);
    QTRY_COMPARE(fixture.store->storeCalls(), 1);
}

QTEST_MAIN(TestSetupView)
#include "tst_setup_view.moc"
