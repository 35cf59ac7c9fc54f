#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

// Tells when Claude Code's credentials file appears, changes or goes. Claude Code
// replaces the file by renaming a new one over it, so the folder is watched (or, while
// the folder does not exist, the nearest one above it that does).
class ClaudeCodeWatcher : public QObject {
    Q_OBJECT

public:
    explicit ClaudeCodeWatcher(const QString& file, QObject* parent = nullptr);

Q_SIGNALS:
    void changed();

private:
    struct Fingerprint {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        QDateTime changed;
        // A file renamed over the old one is a new inode, even within one timestamp tick.
        quint64 inode = 0;
        bool operator==(const Fingerprint&) const = default;
    };

    void watchNearestFolder();
    void onFolderChanged();
    Fingerprint fingerprint() const;

    QString m_file;
    QFileSystemWatcher m_watcher;
    Fingerprint m_last;
};
