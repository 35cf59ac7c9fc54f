#include "services/sources/claude_code/claude_code_watcher.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

ClaudeCodeWatcher::ClaudeCodeWatcher(const QString& file, QObject* parent)
    : QObject(parent), m_file(file), m_last(fingerprint())
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &ClaudeCodeWatcher::onFolderChanged);
    watchNearestFolder();
}

void ClaudeCodeWatcher::watchNearestFolder()
{
    if (m_file.isEmpty())
        return;
    QString folder = QFileInfo(m_file).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath())
        folder = QFileInfo(folder).absolutePath();
    const QStringList watched = m_watcher.directories();
    if (watched == QStringList{folder})
        return;
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_watcher.addPath(folder);
}

void ClaudeCodeWatcher::onFolderChanged()
{
    // The folder may have been made or removed in between.
    watchNearestFolder();
    const Fingerprint now = fingerprint();
    if (now == m_last)
        return;
    m_last = now;
    Q_EMIT changed();
}

ClaudeCodeWatcher::Fingerprint ClaudeCodeWatcher::fingerprint() const
{
    const QFileInfo info(m_file);
    if (!info.exists())
        return {};
    // QFileInfo tells no inode.
    struct stat status {};
    const quint64 inode =
        ::stat(QFile::encodeName(m_file).constData(), &status) == 0 ? status.st_ino : 0;
    return {true, info.size(), info.lastModified(), info.metadataChangeTime(), inode};
}
