#include "temporary_defaults.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

class TestUserDefaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readersOfStoredText_data();
    void readersOfStoredText();
    void writesSignalAfterStoring();
    void standardPathFollowsXdgConfigHome();
};

void TestUserDefaults::readersOfStoredText_data()
{
    QTest::addColumn<QByteArray>("line"); // as a user or an older build left it in the file
    QTest::addColumn<double>("asDouble");
    QTest::addColumn<bool>("asBool");

    QTest::newRow("absent") << QByteArray() << 0.0 << false;
    QTest::newRow("whole seconds") << QByteArray("key=900") << 900.0 << true;
    QTest::newRow("fraction") << QByteArray("key=0.5") << 0.5 << true;
    QTest::newRow("negative") << QByteArray("key=-5") << -5.0 << true;
    QTest::newRow("zero") << QByteArray("key=0") << 0.0 << false;
    QTest::newRow("word") << QByteArray("key=often") << 0.0 << false;
    QTest::newRow("true") << QByteArray("key=true") << 0.0 << true;
    QTest::newRow("false") << QByteArray("key=false") << 0.0 << false;
    QTest::newRow("infinite") << QByteArray("key=inf") << 0.0 << true;
    QTest::newRow("nan") << QByteArray("key=nan") << 0.0 << false;
}

void TestUserDefaults::readersOfStoredText()
{
    QFETCH(QByteArray, line);
    TemporaryDefaults temporary;
    {
        QFile file(temporary.fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + line + "\n");
    }
    UserDefaults defaults(temporary.fileName());
    QTEST(defaults.doubleForKey(QStringLiteral("key")), "asDouble");
    QTEST(defaults.boolForKey(QStringLiteral("key")), "asBool");
}

void TestUserDefaults::writesSignalAfterStoring()
{
    TemporaryDefaults temporary;
    UserDefaults& defaults = temporary.defaults();
    QStringList seen;
    connect(&defaults, &UserDefaults::changed, this, [&](const QString& key) {
        seen << key + QLatin1Char('=') + defaults.stringForKey(key);
    });
    defaults.setValue(UserDefaults::menuBarMetricKey, QStringLiteral("weekly"));
    defaults.setValue(UserDefaults::refreshIntervalKey, 60);
    defaults.remove(UserDefaults::menuBarMetricKey);
    QCOMPARE(seen,
             QStringList({QStringLiteral("menuBarMetric=weekly"),
                          QStringLiteral("refreshInterval=60"), QStringLiteral("menuBarMetric=")}));
    // Written through to the file, readable by a second instance at once.
    UserDefaults reread(temporary.fileName());
    QCOMPARE(reread.doubleForKey(UserDefaults::refreshIntervalKey), 60.0);
    QVERIFY(!reread.contains(UserDefaults::menuBarMetricKey));
}

void TestUserDefaults::standardPathFollowsXdgConfigHome()
{
    // The standard instance is created on first use, after the variable is set here.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    UserDefaults::standard().setValue(UserDefaults::launchAtLoginKey, true);
    QVERIFY(QFile::exists(config.filePath(QStringLiteral("gaugery/gaugery.conf"))));
    QVERIFY(UserDefaults::standard().boolForKey(UserDefaults::launchAtLoginKey));
}

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_user_defaults.moc"
