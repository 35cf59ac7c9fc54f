#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// The installed Claude Code's version, for the User-Agent of the OAuth usage request: the
// endpoint serves only clients that identify as Claude Code, and its sign-in is Claude
// Code's. Asked once, in the background, of the `claude` found on the PATH.
class ClaudeCodeVersion : public QObject {
    Q_OBJECT

public:
    static constexpr int timeoutMs = 5000;

    explicit ClaudeCodeVersion(QObject* parent = nullptr);

    // Runs `program --version`; a program that is not found, fails, or has not answered
    // within the time limit leaves the version unknown. Only the first call asks.
    void ask(const QString& program = QStringLiteral("claude"));
    // "claude-code/2.1.74", with "2.1" for a version that is not known (yet).
    static QByteArray userAgent(const ClaudeCodeVersion* known);
    // The version `claude --version` prints ("2.1.74 (Claude Code)"); none for anything else.
    static std::optional<QByteArray> parse(const QByteArray& output);

Q_SIGNALS:
    // The question is settled, with a version or without.
    void answered();

private:
    QByteArray m_version;
    bool m_asked = false;
};
