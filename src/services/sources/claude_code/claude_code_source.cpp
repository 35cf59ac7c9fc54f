#include "services/sources/claude_code/claude_code_source.h"

#include "services/diagnostics.h"
#include "services/sources/claude_code/claude_code_watcher.h"

#include <QCryptographicHash>

namespace {

QByteArray digestOf(const QString& token)
{
    return QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256);
}

} // namespace

ClaudeCodeSource::ClaudeCodeSource(const QString& file, Clock clock, QObject* parent)
    : QObject(parent), m_clock(std::move(clock)), m_file(file),
      m_watcher(new ClaudeCodeWatcher(file, this))
{
    connect(m_watcher, &ClaudeCodeWatcher::changed, this, [this] {
        m_refusedToken.clear();
        Q_EMIT changed();
    });
}

std::optional<ClaudeCodeSignIn> ClaudeCodeSource::read(bool wanted)
{
    const ClaudeCodeRead read = ClaudeCodeCredentials::read(m_file);
    if (read.signIn) {
        m_problem.clear();
    } else if (wanted && read.problem != m_problem) {
        // One line for each new reason, not one a refresh.
        printDiagnostic(QStringLiteral("No Claude Code sign-in: ") + read.problem);
        m_problem = read.problem;
    }
    return read.signIn;
}

std::optional<QDateTime> ClaudeCodeSource::expiredSince(const ClaudeCodeSignIn& signIn) const
{
    if (signIn.expiresAt.isValid() && signIn.expiresAt <= m_clock())
        return signIn.expiresAt;
    if (digestOf(signIn.accessToken) == m_refusedToken)
        return m_refusedAt;
    return std::nullopt;
}

void ClaudeCodeSource::refuse(const QString& token)
{
    m_refusedToken = digestOf(token);
    m_refusedAt = m_clock();
}
