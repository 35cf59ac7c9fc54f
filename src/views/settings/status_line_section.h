#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QVBoxLayout;
class Settings;
class UsageAccounts;

// "Claude Code's status line" in the settings: for each account reading a Claude Code
// sign-in, "Use Claude Code's status line" (writing the entry of its folder's
// settings.json) and "Read figures", with where its figures come from or why the file was
// left alone. Hidden while no account reads Claude Code.
class StatusLineSection : public QWidget {
    Q_OBJECT

public:
    // `program` is the gaugery-status the entry runs.
    StatusLineSection(UsageAccounts& accounts, Settings& settings, const QString& program,
                      QWidget* parent = nullptr);

    // The rows, in the order of the accounts.
    QList<QCheckBox*> toggles() const;
    QList<QComboBox*> readingPickers() const;
    QList<QLabel*> notes() const;

private:
    struct Row {
        QString accountId;
        QString folder;
        QCheckBox* toggle = nullptr;
        QComboBox* reading = nullptr;
        QLabel* note = nullptr;
        // The last refusal, until the next toggle.
        QString problem;
    };

    // Rebuilt only when the accounts reading Claude Code changed, so no open picker closes.
    void follow();
    void show(Row& row);
    void toggle(Row& row, bool on);

    UsageAccounts& m_accounts;
    Settings& m_settings;
    QString m_program;
    QVBoxLayout* m_rowsLayout;
    QList<Row> m_rows;
    QStringList m_shown;
};
