#include "app/platform/launcher_entry.h"

#include "app/platform/autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Marks an entry this program wrote for itself, which it may rewrite.
const QByteArray writtenMark = "X-Gaugery-Written-At-Start=true";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString LauncherEntry::contents(const QString& executable)
{
    return AutostartEntry::commonLines(executable) +
           QLatin1String("Categories=Utility;\nStartupNotify=false\n") +
           QString::fromLatin1(writtenMark) + u'\n';
}

LauncherEntry::Outcome LauncherEntry::ensure(const QStringList& folders, const QString& executable)
{
    if (folders.isEmpty())
        return Outcome::failed;
    const QString path = QDir(folders.first()).filePath(fileName());
    const bool present = QFileInfo::exists(path);
    const bool ours = present && readAll(path).contains(writtenMark);
    for (qsizetype i = 1; i < folders.size(); ++i) {
        if (!QFileInfo::exists(QDir(folders[i]).filePath(fileName())))
            continue;
        // One written for a build folder would shadow the package's, menu and portal
        // alike running the old build.
        if (!ours)
            return Outcome::installedElsewhere;
        return QFile::remove(path) ? Outcome::staleRemoved : Outcome::failed;
    }
    const QByteArray wanted = contents(executable).toUtf8();
    if (present && !ours)
        return Outcome::userOwn;
    if (ours && readAll(path) == wanted)
        return Outcome::current;
    QSaveFile file(path);
    if (!QDir().mkpath(folders.first()) || !file.open(QIODevice::WriteOnly) ||
        file.write(wanted) < 0 || !file.commit())
        return Outcome::failed;
    return Outcome::written;
}

LauncherEntry::Outcome LauncherEntry::ensureStandard(const QString& executable)
{
    // The writable location leads the list even before its folder exists.
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    const QString own = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    folders.removeAll(own);
    folders.prepend(own);
    return ensure(folders, executable);
}
