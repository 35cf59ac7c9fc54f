#pragma once

#include <QString>
#include <QStringList>

// The desktop entry that names Gaugery to the desktop (applications/com.gaugery.app.desktop).
// The portals know an unsandboxed program only by such an installed entry, so a build run
// from its folder writes one of its own into the user's folder; a packaged one is left
// alone and takes over from it.
class LauncherEntry {
public:
    enum class Outcome { installedElsewhere, staleRemoved, userOwn, current, written, failed };

    static QString fileName() { return QStringLiteral("com.gaugery.app.desktop"); }
    static QString contents(const QString& executable);

    // folders: the user's applications folder first, then the system's, in lookup order.
    // Writes the entry into the first when none holds one, or rewrites one written here
    // for another executable; removes one written here once another folder holds one. An
    // entry Gaugery did not write is never touched.
    static Outcome ensure(const QStringList& folders, const QString& executable);
    // The same with the standard applications folders.
    static Outcome ensureStandard(const QString& executable);
};
