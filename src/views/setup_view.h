#pragma once

#include <QWidget>

#include <functional>

class QPlainTextEdit;
class QPushButton;
class UsageService;

// The cookie editor of the onboarding window. The text stays the user's until "Save"
// hands its trimmed form to the service; the window stays open after saving.
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

    QString cookieText() const;
    QPlainTextEdit* editor() const { return m_editor; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* saveButton() const { return m_save; }

private:
    void save();
    void cancel();
    void updateSaveEnabled();

    UsageService& m_usage;
    std::function<void()> m_onClose;
    QPlainTextEdit* m_editor;
    QPushButton* m_cancel;
    QPushButton* m_save;
};
