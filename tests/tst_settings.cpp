#include "temporary_settings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readersOfStoredText_data();
    void readersOfStoredText();
    void writesSignalAfterStoring();
    void standardPathFollowsXdgConfigHome();
    void editedArrayReadsItsEntries_data();
    void editedArrayReadsItsEntries();
};

void TestSettings::readersOfStoredText_data()
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

void TestSettings::readersOfStoredText()
{
    QFETCH(QByteArray, line);
    TemporarySettings temporary;
    {
        QFile file(temporary.fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\n" + line + "\n");
    }
    Settings defaults(temporary.fileName());
    QTEST(defaults.doubleForKey(QStringLiteral("key")), "asDouble");
    QTEST(defaults.boolForKey(QStringLiteral("key")), "asBool");
}

void TestSettings::writesSignalAfterStoring()
{
    TemporarySettings temporary;
    Settings& defaults = temporary.defaults();
    QStringList seen;
    connect(&defaults, &Settings::changed, this, [&](const QString& key) {
        seen << key + QLatin1Char('=') + defaults.stringForKey(key);
    });
    defaults.setValue(Settings::menuBarMetricKey, QStringLiteral("weekly"));
    defaults.setValue(Settings::refreshIntervalKey, 60);
    defaults.remove(Settings::menuBarMetricKey);
    QCOMPARE(seen,
             QStringList({QStringLiteral("menuBarMetric=weekly"),
                          QStringLiteral("refreshInterval=60"), QStringLiteral("menuBarMetric=")}));
    // Written through to the file, readable by a second instance at once.
    Settings reread(temporary.fileName());
    QCOMPARE(reread.doubleForKey(Settings::refreshIntervalKey), 60.0);
    QVERIFY(!reread.contains(Settings::menuBarMetricKey));
}

void TestSettings::standardPathFollowsXdgConfigHome()
{
    // The standard instance is created on first use, after the variable is set here.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    Settings::instance().setValue(Settings::launchAtLoginKey, true);
    QVERIFY(QFile::exists(config.filePath(QStringLiteral("gaugery/gaugery.conf"))));
    QVERIFY(Settings::instance().boolForKey(Settings::launchAtLoginKey));
}

void TestSettings::editedArrayReadsItsEntries_data()
{
    QTest::addColumn<QByteArray>("file");
    // A size far beyond the entries, a gap, and one past the 64 an array holds.
    QTest::newRow("its own section") << QByteArray("[accounts]\nsize=10000000\n1\\id=a\n3\\id=c\n"
                                                   "65\\id=z\n");
    // As valid to QSettings, and as a user may write it by hand.
    QTest::newRow("under [General]")
        << QByteArray("[General]\naccounts\\size=2\naccounts\\1\\id=a\naccounts\\3\\id=c\n");
}

void TestSettings::editedArrayReadsItsEntries()
{
    QFETCH(QByteArray, file);
    TemporarySettings temporary;
    {
        QFile written(temporary.fileName());
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(file);
    }
    QByteArrayList ids;
    for (const QVariantMap& entry : Settings(temporary.fileName()).array(Settings::accountsKey))
        ids << entry.value(QStringLiteral("id")).toByteArray();
    QCOMPARE(ids, (QByteArrayList{"a", "", "c"}));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
