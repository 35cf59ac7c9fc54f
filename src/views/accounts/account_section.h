#pragma once

#include <QWidget>

class AccountHeader;
class ErrorLine;
class PlainButton;
class QLabel;
class QVBoxLayout;
class UsageRowWidget;
class UsageService;

// One account in the dashboard of several: its name over its rows with their reset
// times, what it is waiting for when it has no figures yet, its own error line, and for a
// browser session "Update Cookie…" (in the error line when the error asks for a cookie).
class AccountSection : public QWidget {
    Q_OBJECT

public:
    // Collapsible: closed to its header until opened.
    AccountSection(UsageService& usage, bool collapsible, QWidget* parent = nullptr);

    UsageService& usage() const { return m_usage; }
    void setName(const QString& name);
    // Whether the account may read a browser session, so its cookie can be set here.
    void setTakesCookie(bool takesCookie);
    void setOpen(bool open);
    bool isOpen() const;
    // Shows the service's state again, its figures as they stand at `now`.
    void refresh(const QDateTime& now);

    AccountHeader* header() const { return m_header; }
    QList<UsageRowWidget*> rows() const;
    // "Loading usage data..." or "Not connected" while there are no figures; how old
    // they are while they are not current.
    QLabel* stateLabel() const { return m_state; }
    ErrorLine* errorLine() const { return m_errorLine; }
    // "Update Cookie…" of the open section, while the error line does not offer it.
    PlainButton* cookieButton() const { return m_cookieButton; }

Q_SIGNALS:
    // The header was clicked or pressed.
    void toggleRequested();
    // "Update Cookie…" or "Set Cookie…", here or in the error line.
    void cookieRequested();

private:
    // "Update Cookie…" or "Set Cookie…" where the section's state calls for it.
    void showCookieAction();

    UsageService& m_usage;
    AccountHeader* m_header;
    QWidget* m_body;
    QWidget* m_rows;
    QVBoxLayout* m_rowsLayout;
    QLabel* m_state;
    ErrorLine* m_errorLine;
    PlainButton* m_cookieButton;
    QString m_name;
    bool m_takesCookie = true;
};
