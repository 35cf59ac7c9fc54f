#pragma once

#include "services/sources/browser/browser_cookie_import.h"

#include <QWidget>

#include <functional>
#include <optional>

class BusyIndicator;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class UsageService;

// The cookie editor of the onboarding window. The text stays the user's until "Save"
// hands its trimmed form to the service; the window stays open after saving. "Import
// from Browser" fills the editor from the user's browsers, off the GUI thread, and
// saves nothing itself.
class SetupView : public QWidget {
    Q_OBJECT

public:
    static constexpr int viewWidth = 520;
    static constexpr int viewHeight = 300;

    // onClose runs on "Cancel" and Escape; without one they do nothing.
    SetupView(UsageService& usage, const QString& cookieText, std::function<void()> onClose = {},
              QWidget* parent = nullptr);

    // The cookie as it will be saved, or empty when there is nothing to save.
    static QString savableCookie(const QString& text);

    // Shows "Import from Browser", which runs this on a worker thread.
    void setBrowserImport(BrowserImportFunction import);

    QString cookieText() const;
    QPlainTextEdit* editor() const { return m_editor; }
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
    void save();
    void cancel();
    void updateSaveEnabled();
    void startImport();
    void showImport(const BrowserImportResult& result);
    void showMessage(const QString& text);
    void choose(int index);

    UsageService& m_usage;
    std::function<void()> m_onClose;
    BrowserImportFunction m_import;
    QList<ImportedSession> m_sessions;
    // The text the import put in the editor and the organization found with it.
    QString m_importedText;
    std::optional<QString> m_importedOrganization;

    QPlainTextEdit* m_editor;
    QPushButton* m_importButton;
    BusyIndicator* m_busy;
    QScrollArea* m_messageArea;
    QLabel* m_importMessage;
    QComboBox* m_importChoices;
    QPushButton* m_cancel;
    QPushButton* m_save;
};
