#pragma once

#include "services/sources/browser/browser_cookie_import.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class BusyIndicator;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class UsageAccounts;
class UsageService;

// The cookie editor of the onboarding window. The text stays the user's until "Save"
// hands its trimmed form to the service; the window stays open after saving. "Import
// from Browser" fills the editor from the user's browsers, off the GUI thread, and
// saves nothing itself. Adding an account, a Name field comes first and "Save" adds the
// account with the cookie, then closes the window.
class SetupView : public QWidget {
    Q_OBJECT

public:
    static constexpr int viewWidth = 520;
    static constexpr int viewHeight = 300;
    // With the Name field.
    static constexpr int addingViewHeight = 340;

    // onClose runs on "Cancel" and Escape; without one they do nothing.
    SetupView(UsageService& usage, const QString& cookieText, std::function<void()> onClose = {},
              QWidget* parent = nullptr);
    // Adding an account to these; onClose also runs once it is added.
    SetupView(UsageAccounts& accounts, std::function<void()> onClose = {},
              QWidget* parent = nullptr);

    // The cookie as it will be saved, or empty when there is nothing to save.
    static QString savableCookie(const QString& text);

    // Shows "Import from Browser", which runs this on a worker thread.
    void setBrowserImport(BrowserImportFunction import);

    QString cookieText() const;
    QPlainTextEdit* editor() const { return m_editor; }
    // Adding only; null otherwise.
    QLineEdit* nameField() const { return m_name; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* importButton() const { return m_importButton; }
    QLabel* importMessage() const { return m_importMessage; }
    // The sessions to choose from when the import found several.
    QComboBox* importChoices() const { return m_importChoices; }

Q_SIGNALS:
    // The import's result has been shown.
    void importFinished();

protected:
    // Return anywhere but in the editor is the window's default action.
    void keyPressEvent(QKeyEvent* event) override;

private:
    SetupView(UsageService* usage, UsageAccounts* accounts, const QString& cookieText,
              std::function<void()> onClose, QWidget* parent);
    void save();
    void cancel();
    void updateSaveEnabled();
    void startImport();
    void showImport(const BrowserImportResult& result);
    void showMessage(const QString& text);
    void choose(int index);
    // The name an account added with this organization gets unless the user typed one.
    QString suggestedName(const std::optional<QString>& organizationId) const;

    // Null once the account is removed: Save then does nothing.
    QPointer<UsageService> m_usage;
    UsageAccounts* m_accounts;
    std::function<void()> m_onClose;
    BrowserImportFunction m_import;
    QList<ImportedSession> m_sessions;
    // The text the import put in the editor, the organization found with it and where.
    QString m_importedText;
    std::optional<QString> m_importedOrganization;
    QString m_importedOrigin;

    QLineEdit* m_name = nullptr;
    bool m_nameTyped = false;
    QPlainTextEdit* m_editor;
    QPushButton* m_importButton;
    BusyIndicator* m_busy;
    QScrollArea* m_messageArea;
    QLabel* m_importMessage;
    QComboBox* m_importChoices;
    QPushButton* m_cancel;
    QPushButton* m_save;
};
