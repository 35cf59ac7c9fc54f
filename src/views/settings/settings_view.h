#pragma once

#include "views/settings/settings_choices.h"

#include <QWidget>

#include <optional>

class AccountList;
class AddAccountMenu;
class LinkRow;
class PlainButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class Settings;
class UsageAccounts;
class UsageService;

// The settings window's content. The controls show the stored settings (the defaults
// while a key is absent) and write a key only when the user changes its control. With one
// account its connection is shown as it always was; with several, the accounts list.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int viewWidth = 380;
    static constexpr int viewHeight = 400;

    SettingsView(UsageAccounts& accounts, Settings& defaults, QWidget* parent = nullptr);

    QComboBox* metricPicker() const { return m_metric; }
    QComboBox* trayStylePicker() const { return m_trayStyle; }
    // "Tray shows", with more than one account.
    QComboBox* trayAccountPicker() const { return m_trayAccount; }
    QCheckBox* launchAtLoginToggle() const { return m_launchAtLogin; }
    QComboBox* intervalPicker() const { return m_interval; }
    QCheckBox* usageAlertsToggle() const { return m_usageAlerts; }
    QCheckBox* resetAlertsToggle() const { return m_resetAlerts; }
    QWidget* connectedRow() const { return m_connected; }
    QLabel* connectedText() const { return m_connectedText; }
    QComboBox* organizationPicker() const { return m_organization; }
    QComboBox* sourcePicker() const { return m_source; }
    QLabel* connectionNote() const { return m_connectionNote; }
    QWidget* notConnectedRow() const { return m_notConnected; }
    QPushButton* disconnectButton() const { return m_disconnect; }
    QWidget* accountsSection() const { return m_accountsSection; }
    AccountList* accountList() const { return m_accountList; }
    // "Add Account…" at the end of the Connection or the Accounts title.
    PlainButton* addAccountButton() const;
    AddAccountMenu* addMenu() const { return m_addMenu; }
    QLabel* versionLabel() const { return m_version; }
    QLabel* shortcutLabel() const { return m_shortcut; }
    LinkRow* supportLink() const { return m_support; }
    PlainButton* quitButton() const { return m_quit; }
    QScrollArea* scrollArea() const { return m_scroll; }

Q_SIGNALS:
    // "Add Account", "Browser session…": the cookie window, adding.
    void addBrowserSessionRequested();

private:
    QWidget* buildTraySection();
    QWidget* buildExtrasSection();
    QWidget* buildConnectionSection();
    QWidget* buildAccountsSection();
    QWidget* buildAboutSection();
    PlainButton* addButton(PlainButton*& button);
    // A picker of the setting with this key, writing only what the user picks.
    QComboBox* settingPicker(const QString& key);
    const QList<SettingsChoices::Option>& optionsOf(const QString& key) const;
    void onPicked(const QString& key, int index);
    int shownIndex(const QString& key) const;
    void showStoredValues();
    // The metrics offered: the fixed ones and every further window the account the tray
    // shows reports now.
    void showMetricOptions();
    void showConnection();
    void showAccounts();
    void fillAddMenu();
    bool severalAccounts() const;

    UsageAccounts& m_accounts;
    Settings& m_defaults;
    QScrollArea* m_scroll = nullptr;
    QComboBox* m_metric = nullptr;
    QList<SettingsChoices::Option> m_metricOptions;
    QComboBox* m_trayStyle = nullptr;
    QWidget* m_trayAccountRow = nullptr;
    QComboBox* m_trayAccount = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QComboBox* m_interval = nullptr;
    QCheckBox* m_usageAlerts = nullptr;
    QCheckBox* m_resetAlerts = nullptr;
    QWidget* m_connectionSection = nullptr;
    QWidget* m_connected = nullptr;
    QLabel* m_connectedText = nullptr;
    QLabel* m_connectionNote = nullptr;
    QWidget* m_organizationRow = nullptr;
    QWidget* m_sourceRow = nullptr;
    QComboBox* m_source = nullptr;
    QComboBox* m_organization = nullptr;
    QWidget* m_notConnected = nullptr;
    QPushButton* m_disconnect = nullptr;
    QWidget* m_accountsSection = nullptr;
    AccountList* m_accountList = nullptr;
    PlainButton* m_connectionAdd = nullptr;
    PlainButton* m_accountsAdd = nullptr;
    AddAccountMenu* m_addMenu = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_shortcut = nullptr;
    LinkRow* m_support = nullptr;
    PlainButton* m_quit = nullptr;
};
