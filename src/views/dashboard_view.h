#pragma once

#include "views/dashboard_content.h"

#include <QHash>
#include <QWidget>

class BusyIndicator;
class ElidedLabel;
class MenuButton;
class QVBoxLayout;
class UsageService;

// The dashboard inside the popup: header, the content the service's state calls for,
// the last error and the menu. It keeps no state of its own and redraws on every change
// of the service; its actions are intents the shell carries out.
class DashboardView : public QWidget {
    Q_OBJECT

public:
    explicit DashboardView(UsageService& usage, QWidget* parent = nullptr);

    DashboardContent content() const { return m_contentKind; }
    // The widget of the current content; null while there is none.
    QWidget* contentWidget() const { return m_contents.value(m_contentKind); }
    BusyIndicator* headerIndicator() const { return m_headerIndicator; }
    ElidedLabel* organizationLabel() const { return m_organizationLabel; }
    ElidedLabel* errorLabel() const { return m_errorLabel; }
    QWidget* errorLine() const { return m_errorLine; }
    MenuButton* cookieButton() const { return m_cookieButton; }
    MenuButton* historyButton() const { return m_historyButton; }
    MenuButton* settingsButton() const { return m_settingsButton; }
    MenuButton* donationButton() const { return m_donationButton; }
    MenuButton* quitButton() const { return m_quitButton; }

Q_SIGNALS:
    void setCookieRequested();
    void historyRequested();
    void settingsRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildMenu();
    QWidget* buildContent(DashboardContent kind);
    void refresh();

    UsageService& m_usage;
    QVBoxLayout* m_layout;
    DashboardContent m_contentKind = DashboardContent::none;
    QHash<DashboardContent, QWidget*> m_contents;
    BusyIndicator* m_headerIndicator;
    ElidedLabel* m_organizationLabel;
    QWidget* m_errorLine;
    ElidedLabel* m_errorLabel;
    MenuButton* m_cookieButton = nullptr;
    MenuButton* m_historyButton = nullptr;
    MenuButton* m_settingsButton = nullptr;
    MenuButton* m_donationButton = nullptr;
    MenuButton* m_quitButton = nullptr;
};
