#pragma once

#include <QMenu>

class UsageAccounts;

// What "Add Account" offers, gathered each time it opens: a browser session (through the
// cookie window), Claude Code's sign-in while it is there and no account reads it, the
// sign-in in another Claude Code folder (through a folder picker), and each further
// organization of an account's session to watch as an account of its own.
class AddAccountMenu : public QMenu {
    Q_OBJECT

public:
    explicit AddAccountMenu(UsageAccounts& accounts, QWidget* parent = nullptr);

    // Fills the menu for the accounts as they are now; done on every opening.
    void fill();

Q_SIGNALS:
    void browserSessionRequested();

private:
    // Named after the folder, or "Claude Code" for the default one, unless taken.
    void addClaudeCode(const QString& folder = {});
    void pickClaudeCodeFolder();

    UsageAccounts& m_accounts;
};
