#include "views/sign_in/claude_code_folder_dialog.h"

#include <QMessageBox>

ClaudeCodeFolderDialog::ClaudeCodeFolderDialog(Check check, QWidget* parent)
    : QFileDialog(parent, tr("Claude Code in Another Folder"), QDir::homePath()),
      m_check(std::move(check))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ShowDirsOnly);
    setFileMode(QFileDialog::Directory);
    setFilter(filter() | QDir::Hidden);
    setLabelText(QFileDialog::Accept, tr("Add Account"));
}

void ClaudeCodeFolderDialog::accept()
{
    const QString folder = selectedFiles().value(0);
    if (const std::optional<QString> why = m_check(folder)) {
        auto* box =
            new QMessageBox(QMessageBox::Information, windowTitle(), *why, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    QFileDialog::accept();
    Q_EMIT folderChosen(folder);
}
