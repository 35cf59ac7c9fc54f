#include "app/platform/session_check.h"

#include <QHash>
#include <QTest>

class TestSessionCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingDisplay_data();
    void missingDisplay();
};

void TestSessionCheck::missingDisplay_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("refused");

    QTest::newRow("X11") << ":0"
                         << ""
                         << "" << false;
    QTest::newRow("Wayland") << ""
                             << "wayland-0"
                             << "" << false;
    QTest::newRow("both") << ":1"
                          << "wayland-1"
                          << "" << false;
    QTest::newRow("explicit platform") << ""
                                       << ""
                                       << "offscreen" << false;
    QTest::newRow("nothing") << ""
                             << ""
                             << "" << true;
}

void TestSessionCheck::missingDisplay()
{
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(QString, platform);
    const QHash<QByteArray, QString> environment{
        {"DISPLAY", display}, {"WAYLAND_DISPLAY", wayland}, {"QT_QPA_PLATFORM", platform}};

    const auto problem = SessionCheck::missingDisplay(
        [&](const char* name) { return environment.value(QByteArray(name)); });
    QTEST(problem.has_value(), "refused");
    if (problem) {
        QVERIFY(problem->contains(QLatin1String("desktop session")));
        QVERIFY(problem->contains(QLatin1String("scripts/desktop-session")));
    }
}

QTEST_GUILESS_MAIN(TestSessionCheck)
#include "tst_session_check.moc"
