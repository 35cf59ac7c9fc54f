#include "app/launch_at_login.h"
#include "temporary_settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestLaunchAtLogin : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quoting_data();
    void quoting();
    void entryValidates();
    void configure_data();
    void configure();
    void toggle_data();
    void toggle();
};

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

enum class Folder { Writable, Blocked };

// An entry path whose folder can be made impossible to create or to remove from.
struct Scene {
    explicit Scene(Folder folder, bool entryExists)
    {
        if (folder == Folder::Blocked) {
            // A plain file where the autostart folder should be.
            QFile blocker(dir.filePath(QStringLiteral("autostart")));
            if (!blocker.open(QIODevice::WriteOnly))
                qFatal("cannot make the blocking file");
        }
        if (entryExists && folder == Folder::Writable)
            AutostartEntry(path(), QStringLiteral("/old/gaugery")).install();
    }
    QString path() const
    {
        return dir.filePath(QStringLiteral("autostart/com.gaugery.app.desktop"));
    }
    AutostartEntry entry() const
    {
        return AutostartEntry(path(), QStringLiteral("/usr/bin/gaugery"));
    }

    QTemporaryDir dir;
};

} // namespace

void TestLaunchAtLogin::quoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");

    QTest::newRow("plain") << "/usr/bin/gaugery"
                           << R"("/usr/bin/gaugery")";
    QTest::newRow("space") << "/home/a b/gaugery"
                           << R"("/home/a b/gaugery")";
    QTest::newRow("dollar") << "/opt/$HOME/gaugery"
                            << R"("/opt/\\$HOME/gaugery")";
    QTest::newRow("double quote") << R"(/opt/"x"/gaugery)"
                                  << R"("/opt/\\"x\\"/gaugery")";
    QTest::newRow("backquote") << "/opt/`id`/gaugery"
                               << R"("/opt/\\`id\\`/gaugery")";
    QTest::newRow("backslash") << R"(/opt/a\b/gaugery)"
                               << R"("/opt/a\\\\b/gaugery")";
    QTest::newRow("percent") << "/opt/100%/gaugery"
                             << R"("/opt/100%%/gaugery")";
    QTest::newRow("field code lookalike") << "/opt/%f/gaugery"
                                          << R"("/opt/%%f/gaugery")";
    QTest::newRow("newline") << "/opt/a\nb/gaugery"
                             << R"("/opt/a\nb/gaugery")";
    QTest::newRow("shell characters") << "/opt/a;b&c|d<e>f~g*h?i#j(k)l'm"
                                      << R"("/opt/a;b&c|d<e>f~g*h?i#j(k)l'm")";
    QTest::newRow("non-ASCII") << "/home/jürgen/gaugery"
                               << R"("/home/jürgen/gaugery")";
}

void TestLaunchAtLogin::quoting()
{
    QFETCH(QString, path);
    QTEST(AutostartEntry::quoteExecArgument(path), "exec");
}

void TestLaunchAtLogin::entryValidates()
{
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed (desktop-file-utils)");

    QTemporaryDir dir;
    for (const QString& executable : {QStringLiteral("/usr/bin/gaugery"),
                                      QStringLiteral(R"(/home/a b/$x/"q"/a\b/100%/gaugery)")}) {
        const QString path = dir.filePath(QStringLiteral("com.gaugery.app.desktop"));
        QVERIFY(AutostartEntry(path, executable).install().ok);
        QProcess process;
        process.start(validator, {path});
        QVERIFY(process.waitForFinished());
        const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
        QVERIFY2(process.exitCode() == 0 && output.isEmpty(), output.constData());
        QVERIFY(readAll(path).contains("Exec=" +
                                       AutostartEntry::quoteExecArgument(executable).toUtf8()));
    }
}

void TestLaunchAtLogin::configure_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("entryBefore");
    QTest::addColumn<bool>("blocked");
    QTest::addColumn<bool>("storedAfter");
    QTest::addColumn<bool>("entryAfter");
    QTest::addColumn<QString>("printed");

    const QVariant absent;
    QTest::newRow("first run registers") << absent << false << false << true << true << "";
    QTest::newRow("stored true re-registers")
        << QVariant(true) << false << false << true << true << "";
    QTest::newRow("stored true keeps the entry")
        << QVariant(true) << true << false << true << true << "";
    QTest::newRow("stored false removes")
        << QVariant(false) << true << false << false << false << "";
    QTest::newRow("stored false, nothing to remove")
        << QVariant(false) << false << false << false << false << "";
    QTest::newRow("first run, folder blocked")
        << absent << false << true << true << false << "Failed to set launch at login: ";
    QTest::newRow("stored true, folder blocked")
        << QVariant(true) << false << true << true << false << "Failed to set launch at login: ";
}

void TestLaunchAtLogin::configure()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, entryBefore);
    QFETCH(bool, blocked);
    QFETCH(QString, printed);

    TemporarySettings defaults;
    if (stored.isValid())
        defaults.defaults().setValue(Settings::launchAtLoginKey, stored);
    Scene scene(blocked ? Folder::Blocked : Folder::Writable, entryBefore);
    QStringList lines;
    LaunchAtLogin launch(defaults.defaults(), scene.entry(),
                         [&](const QString& line) { lines << line; });

    launch.configureLaunchAtLogin();

    QVERIFY(defaults.defaults().contains(Settings::launchAtLoginKey));
    QTEST(defaults.defaults().boolForKey(Settings::launchAtLoginKey), "storedAfter");
    QTEST(QFile::exists(scene.path()), "entryAfter");
    if (printed.isEmpty()) {
        QCOMPARE(lines, QStringList());
    } else {
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().startsWith(printed) && lines.first().size() > printed.size(),
                 qPrintable(lines.first()));
    }
    if (QFile::exists(scene.path()))
        QVERIFY(readAll(scene.path()).contains(R"(Exec="/usr/bin/gaugery")"));
}

void TestLaunchAtLogin::toggle_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("fail");
    QTest::addColumn<bool>("entryAfter");
    QTest::addColumn<QString>("printed");

    QTest::newRow("enable") << true << false << true << "";
    QTest::newRow("disable") << false << false << false << "";
    QTest::newRow("enable fails") << true << true << false << "Failed to enable launch at login: ";
    QTest::newRow("disable fails")
        << false << true << true << "Failed to disable launch at login: ";
}

void TestLaunchAtLogin::toggle()
{
    QFETCH(bool, enabled);
    QFETCH(bool, fail);
    QFETCH(QString, printed);

    TemporarySettings defaults;
    defaults.defaults().setValue(Settings::launchAtLoginKey, !enabled);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("autostart/com.gaugery.app.desktop"));
    if (fail && enabled)
        QFile(dir.filePath(QStringLiteral("autostart"))).open(QIODevice::WriteOnly);
    if (fail && !enabled) {
        // A folder in the entry's place cannot be removed as a file.
        QVERIFY(QDir().mkpath(path + QLatin1String("/keep")));
    }
    QStringList lines;
    LaunchAtLogin launch(defaults.defaults(),
                         AutostartEntry(path, QStringLiteral("/usr/bin/gaugery")),
                         [&](const QString& line) { lines << line; });
    launch.configureLaunchAtLogin();
    lines.clear();

    // The user flips the setting (the settings window writes it, nothing more).
    defaults.defaults().setValue(Settings::launchAtLoginKey, enabled);

    QTEST(QFileInfo::exists(path), "entryAfter");
    // The choice stays what the user set, whatever happened.
    QCOMPARE(defaults.defaults().boolForKey(Settings::launchAtLoginKey), enabled);
    QCOMPARE(lines.size(), printed.isEmpty() ? 0 : 1);
    if (!printed.isEmpty())
        QVERIFY2(lines.first().startsWith(printed), qPrintable(lines.first()));
}

QTEST_GUILESS_MAIN(TestLaunchAtLogin)
#include "tst_launch_at_login.moc"
