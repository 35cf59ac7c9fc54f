#include "app/platform/autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Desktop entry string escapes, applied after the Exec quoting: readers undo them first.
QString escapeString(const QString& value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

QString AutostartEntry::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/autostart/com.gaugery.app.desktop");
}

QString AutostartEntry::quoteExecArgument(const QString& argument)
{
    // Always quoted: allowed for any argument, and needs no list of reserved characters.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
    }
    quoted += QLatin1Char('"');
    return escapeString(quoted);
}

QString AutostartEntry::commonLines(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Gaugery\n"
                          "Comment=Claude usage at a glance in the tray\n"
                          "Exec=%1\n"
                          "Icon=com.gaugery.app\n"
                          "Terminal=false\n")
        .arg(quoteExecArgument(executable));
}

QString AutostartEntry::contents(const QString& executable)
{
    return commonLines(executable) + QLatin1String("X-GNOME-Autostart-enabled=true\n");
}

AutostartEntry::AutostartEntry(const QString& path, const QString& executable)
    : m_path(path), m_executable(executable)
{
}

bool AutostartEntry::exists() const
{
    return QFileInfo::exists(m_path);
}

AutostartEntry::Result AutostartEntry::install() const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return {false, QStringLiteral("cannot create the folder %1").arg(folder)};

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents(m_executable).toUtf8()) < 0 ||
        !file.commit())
        return {false, file.errorString()};
    return {};
}

AutostartEntry::Result AutostartEntry::remove() const
{
    QFile file(m_path);
    if (file.remove())
        return {};
    // A dangling link is not "existing" to QFileInfo, yet it is an entry left behind.
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return {};
    return {false, file.errorString()};
}
