#pragma once

#include <QWidget>

#include <optional>

class LinkRow;
class PlainButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class UsageService;
class Settings;

// The settings window's content. The controls show the stored settings (the defaults
// while a key is absent) and write a key only when the user changes its control.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int viewWidth = 380;
    static constexpr int viewHeight = 400;

    SettingsView(UsageService& usage, Settings& defaults, QWidget* parent = nullptr);

    QComboBox* metricPicker() const { return m_metric; }
    QComboBox* trayStylePicker() const { return m_trayStyle; }
    QCheckBox* launchAtLoginToggle() const { return m_launchAtLogin; }
    QComboBox* intervalPicker() const { return m_interval; }
    QCheckBox* usageAlertsToggle() const { return m_usageAlerts; }
    QWidget* connectedRow() const { return m_connected; }
    QLabel* connectedText() const { return m_connectedText; }
    QComboBox* organizationPicker() const { return m_organization; }
    QComboBox* sourcePicker() const { return m_source; }
    QLabel* connectionNote() const { return m_connectionNote; }
    QWidget* notConnectedRow() const { return m_notConnected; }
    QPushButton* disconnectButton() const { return m_disconnect; }
    QLabel* versionLabel() const { return m_version; }
    QLabel* shortcutLabel() const { return m_shortcut; }
    LinkRow* supportLink() const { return m_support; }
    PlainButton* quitButton() const { return m_quit; }

private:
    QWidget* buildTraySection();
    QWidget* buildExtrasSection();
    QWidget* buildConnectionSection();
    QWidget* buildAboutSection();
    // A picker of the setting with this key, writing only what the user picks.
    QComboBox* settingPicker(const QString& key);
    void onPicked(const QString& key, int index);
    int shownIndex(const QString& key) const;
    void showStoredValues();
    void showConnection();

    UsageService& m_usage;
    Settings& m_defaults;
    QComboBox* m_metric = nullptr;
    QComboBox* m_trayStyle = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QComboBox* m_interval = nullptr;
    QCheckBox* m_usageAlerts = nullptr;
    QWidget* m_connected = nullptr;
    QLabel* m_connectedText = nullptr;
    QLabel* m_connectionNote = nullptr;
    QWidget* m_organizationRow = nullptr;
    QWidget* m_sourceRow = nullptr;
    QComboBox* m_source = nullptr;
    QComboBox* m_organization = nullptr;
    QWidget* m_notConnected = nullptr;
    QPushButton* m_disconnect = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_shortcut = nullptr;
    LinkRow* m_support = nullptr;
    PlainButton* m_quit = nullptr;
};
