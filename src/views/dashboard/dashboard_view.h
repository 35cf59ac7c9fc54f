#pragma once

#include "views/dashboard/dashboard_content.h"

#include <QHash>
#include <QWidget>

class AccountsBlock;
class BusyIndicator;
class ElidedLabel;
class ErrorLine;
class MenuButton;
class QTimer;
class QVBoxLayout;
class UsageAccounts;
class UsageService;

// The dashboard inside the popup: header, the content the accounts' state calls for,
// the last error and the menu. With one account it shows that account's figures; with
// several, a section per account. It keeps no state of its own beyond which section is
// open, and redraws on every change of an account; its actions are intents the shell
// carries out.
class DashboardView : public QWidget {
    Q_OBJECT

public:
    explicit DashboardView(UsageAccounts& accounts, QWidget* parent = nullptr);

    DashboardContent content() const { return m_contentKind; }
    // The widget of the current content; null while there is none.
    QWidget* contentWidget() const { return m_contents.value(m_contentKind); }
    AccountsBlock* accountsBlock() const { return m_accountsBlock; }
    BusyIndicator* headerIndicator() const { return m_headerIndicator; }
    ElidedLabel* organizationLabel() const { return m_organizationLabel; }
    ElidedLabel* errorLabel() const;
    QWidget* errorLine() const;
    MenuButton* cookieButton() const { return m_cookieButton; }
    MenuButton* historyButton() const { return m_historyButton; }
    MenuButton* settingsButton() const { return m_settingsButton; }
    MenuButton* donationButton() const { return m_donationButton; }
    MenuButton* quitButton() const { return m_quitButton; }

    // Shows the state as it stands now, ages and passed resets included: before the
    // dashboard opens, and every minute while it is open.
    void showCurrent();

Q_SIGNALS:
    // The cookie window of this account: the menu's and the welcome page's are the first
    // account's, a section's its own.
    void setCookieRequested(const QString& accountId);
    void historyRequested();
    void settingsRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildMenu();
    QWidget* buildContent(DashboardContent kind);
    void refresh();
    bool severalAccounts() const;

    UsageAccounts& m_accounts;
    QVBoxLayout* m_layout;
    DashboardContent m_contentKind = DashboardContent::none;
    QHash<DashboardContent, QWidget*> m_contents;
    AccountsBlock* m_accountsBlock = nullptr;
    QWidget* m_header = nullptr;
    QWidget* m_menu = nullptr;
    BusyIndicator* m_headerIndicator = nullptr;
    ElidedLabel* m_organizationLabel = nullptr;
    ErrorLine* m_errorLine = nullptr;
    MenuButton* m_cookieButton = nullptr;
    MenuButton* m_historyButton = nullptr;
    MenuButton* m_settingsButton = nullptr;
    MenuButton* m_donationButton = nullptr;
    MenuButton* m_quitButton = nullptr;
    // While shown: ages and passed resets move on with the clock.
    QTimer* m_minuteTick = nullptr;
};
