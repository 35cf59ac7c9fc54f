#pragma once

#include <QWidget>

class ElidedLabel;
class QLabel;
class PlainButton;
class QLineEdit;
class QVBoxLayout;
class UsageAccounts;

// The settings' list of accounts: each one's name, what it reads and its error, with
// Rename (in place) and Remove.
class AccountList : public QWidget {
    Q_OBJECT

public:
    struct Row {
        QString accountId;
        QLabel* name = nullptr;
        // Shown instead of the name while renaming.
        QLineEdit* editor = nullptr;
        ElidedLabel* detail = nullptr;
        ElidedLabel* error = nullptr;
        PlainButton* rename = nullptr;
        PlainButton* remove = nullptr;
    };

    explicit AccountList(UsageAccounts& accounts, QWidget* parent = nullptr);

    // In the order of the accounts.
    const QList<Row>& rows() const { return m_rows; }
    // The control Tab leaves for the rows' buttons, kept so as rows come and go.
    void setTabOrderAfter(QWidget* before);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    void showStates();
    void orderTabs();
    Row buildRow(const QString& accountId, QWidget* container);
    void startRename(const Row& row);
    // Keeps the name typed, or (keep false) the one before.
    void finishRename(const Row& row, bool keep);

    UsageAccounts& m_accounts;
    QVBoxLayout* m_layout;
    QList<Row> m_rows;
    QList<QWidget*> m_containers;
    QWidget* m_before = nullptr;
};
