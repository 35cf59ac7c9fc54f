#pragma once

#include <QFileDialog>

#include <functional>
#include <optional>

// Picks the configuration folder of another Claude Code login. Qt's own dialog rather than
// the desktop's, which may not offer hidden folders, and Claude Code's are hidden. A
// folder no account can read keeps the dialog open, with the reason beside it.
class ClaudeCodeFolderDialog : public QFileDialog {
    Q_OBJECT

public:
    // Why no account can read the folder; none when one can.
    using Check = std::function<std::optional<QString>(const QString& folder)>;

    explicit ClaudeCodeFolderDialog(Check check, QWidget* parent = nullptr);

    void accept() override;

Q_SIGNALS:
    void folderChosen(const QString& folder);

private:
    Check m_check;
};
