#include "services/sources/claude_code/claude_code_homes.h"

#include "models/usage_data.h"
#include "services/parsing/claude_code_credentials.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

class Texts {
    Q_DECLARE_TR_FUNCTIONS(ClaudeCodeHomes)
};

const QString credentialsName = QStringLiteral(".credentials.json");

} // namespace

namespace ClaudeCodeHomes {

QString fileIn(const QString& folder)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + credentialsName);
}

QString folderOf(const QString& file)
{
    return QFileInfo(file).absolutePath();
}

QString kept(const QString& folder)
{
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

bool same(const QString& a, const QString& b)
{
    if (kept(a) == kept(b))
        return true;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

QString owner(const QString& folder)
{
    if (folder.isEmpty())
        return UsageData::claudeCodeOwner;
    // A "|" would end the owner in a remembered alert's key.
    QString path = kept(folder);
    path.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('|'), QLatin1String("%7C"));
    return UsageData::claudeCodeOwner + QLatin1Char(':') + path;
}

QString shown(const QString& folder)
{
    const QString path = kept(folder);
    const QString home = QDir::homePath();
    if (path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

bool holdsSignIn(const QString& folder)
{
    return ClaudeCodeCredentials::read(fileIn(folder)).signIn.has_value();
}

std::optional<QString> refusal(const QString& folder, const QStringList& read)
{
    if (std::any_of(read.begin(), read.end(), [&](const QString& r) { return same(r, folder); }))
        return Texts::tr("An account reads the Claude Code sign-in in %1 already.")
            .arg(shown(folder));
    if (!QFileInfo(fileIn(folder)).isFile())
        return Texts::tr("%1 holds no .credentials.json. Claude Code keeps a sign-in there once "
                         "you sign in with CLAUDE_CONFIG_DIR set to this folder.")
            .arg(shown(folder));
    return std::nullopt;
}

} // namespace ClaudeCodeHomes
