#pragma once

#include "models/clock.h"
#include "services/parsing/claude_code_credentials.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

class ClaudeCodeWatcher;

// Claude Code's sign-in as a source of figures: its file, read when a refresh needs it and
// watched for Claude Code's renewals, and the token the endpoint refused. The file is only
// ever read.
class ClaudeCodeSource : public QObject {
    Q_OBJECT

public:
    ClaudeCodeSource(const QString& file, Clock clock, QObject* parent = nullptr);

    // The sign-in in the file; when it is `wanted` and missing, the reason is printed once.
    std::optional<ClaudeCodeSignIn> read(bool wanted);
    // Since when the token is of no use: past its expiry, or refused by the endpoint since
    // the file last changed; none while it is good.
    std::optional<QDateTime> expiredSince(const ClaudeCodeSignIn& signIn) const;
    void refuse(const QString& token);

Q_SIGNALS:
    // The file appeared, changed or went; a refused token is forgotten.
    void changed();

private:
    Clock m_clock;
    QString m_file;
    ClaudeCodeWatcher* m_watcher;
    // Remembered by its digest only.
    QByteArray m_refusedToken;
    QDateTime m_refusedAt;
    // The problem last printed, so it is printed once.
    QString m_problem;
};
