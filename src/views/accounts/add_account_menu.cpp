#include "views/accounts/add_account_menu.h"

#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "services/sources/claude_code/claude_code_homes.h"
#include "views/sign_in/claude_code_folder_dialog.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

AddAccountMenu::AddAccountMenu(UsageAccounts& accounts, QWidget* parent)
    : QMenu(parent), m_accounts(accounts)
{
    connect(this, &QMenu::aboutToShow, this, &AddAccountMenu::fill);
    fill();
}

void AddAccountMenu::fill()
{
    clear();
    if (m_accounts.isFull()) {
        addAction(Accounts::listFull(UsageAccounts::maxAccounts))->setEnabled(false);
        return;
    }
    addAction(tr("Browser session…"), this, &AddAccountMenu::browserSessionRequested);

    const QString defaultFolder = m_accounts.claudeCodeFolder({});
    if (ClaudeCodeHomes::holdsSignIn(defaultFolder) &&
        !ClaudeCodeHomes::refusal(defaultFolder, m_accounts.claudeCodeFoldersRead()))
        addAction(tr("Claude Code"), this, [this] { addClaudeCode(); });
    addAction(tr("Claude Code in another folder…"), this, &AddAccountMenu::pickClaudeCodeFolder);

    // An organization counts as watched once any account reads it, or is set to.
    QSet<QString> watched;
    for (const Account& account : m_accounts.accounts()) {
        watched.insert(account.organizationId);
        if (const UsageService* usage = m_accounts.service(account.id); usage->organization())
            watched.insert(usage->organization()->id);
    }
    bool separated = false;
    for (const Account& account : m_accounts.accounts()) {
        const UsageService* usage = m_accounts.service(account.id);
        if (usage->source() != UsageSource::cookie || usage->organizations().size() < 2)
            continue;
        for (const Organization& organization : usage->organizations()) {
            if (watched.contains(organization.id))
                continue;
            if (!separated)
                addSeparator();
            separated = true;
            watched.insert(organization.id);
            const QString name = organization.displayName();
            // An "&" in the name is no mnemonic.
            QString shown = name;
            shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
            addAction(tr("Watch %1 as its own account").arg(shown), this,
                      [this, id = account.id, name, organizationId = organization.id] {
                          m_accounts.watchOrganization(id, name, organizationId);
                      });
        }
    }
}

void AddAccountMenu::pickClaudeCodeFolder()
{
    auto* dialog = new ClaudeCodeFolderDialog(
        [this](const QString& folder) {
            return ClaudeCodeHomes::refusal(folder, m_accounts.claudeCodeFoldersRead());
        },
        parentWidget());
    connect(dialog, &ClaudeCodeFolderDialog::folderChosen, this, &AddAccountMenu::addClaudeCode);
    dialog->open();
}

void AddAccountMenu::addClaudeCode(const QString& folder)
{
    const bool other =
        !folder.isEmpty() && !ClaudeCodeHomes::same(folder, m_accounts.claudeCodeFolder({}));
    const QString name =
        other ? QFileInfo(ClaudeCodeHomes::kept(folder)).fileName() : tr("Claude Code");
    const QList<Account>& accounts = m_accounts.accounts();
    const bool taken = std::any_of(accounts.begin(), accounts.end(),
                                   [&](const Account& a) { return a.name == name; });
    m_accounts.addClaudeCodeAccount(taken || name.isEmpty() ? Accounts::newName(accounts) : name,
                                    folder);
}
