#pragma once

#include <QString>

// The XDG autostart entry that starts Gaugery at login: present while registered.
class AutostartEntry {
public:
    struct Result {
        bool ok = true;
        QString error;
    };

    // $XDG_CONFIG_HOME/autostart/com.gaugery.app.desktop
    static QString defaultPath();

    // One Exec argument, quoted and escaped so that a desktop entry reader gets it back
    // unchanged, whatever characters the path holds.
    static QString quoteExecArgument(const QString& argument);
    // The lines each entry Gaugery writes for itself begins with: what it starts and how a
    // desktop shows it.
    static QString commonLines(const QString& executable);
    static QString contents(const QString& executable);

    AutostartEntry(const QString& path, const QString& executable);

    bool exists() const;
    // Writes the entry atomically, creating the folder if needed.
    Result install() const;
    // Removes the entry; an absent entry counts as removed.
    Result remove() const;

private:
    QString m_path;
    QString m_executable;
};
