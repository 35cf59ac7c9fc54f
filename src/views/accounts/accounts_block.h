#pragma once

#include <QWidget>

class AccountSection;
class QScrollArea;
class QVBoxLayout;
class RefreshFooter;
class UsageAccounts;

// The dashboard's figures with more than one account: a section per account, then when
// the figures were fetched and one Refresh for all. Two accounts show both sections open;
// past two every section is closed to its header, and opening one closes the other.
class AccountsBlock : public QWidget {
    Q_OBJECT

public:
    explicit AccountsBlock(UsageAccounts& accounts, QWidget* parent = nullptr);

    // In the order of the accounts.
    QList<AccountSection*> sections() const;
    RefreshFooter* footer() const { return m_footer; }
    // The most the sections take before they scroll.
    void setHeightLimit(int height);
    // Shows every account's state again.
    void refresh();

Q_SIGNALS:
    // A section's "Update Cookie…": the cookie window of its account.
    void cookieRequested(const QString& accountId);

private:
    // The accounts list changed: a section per account again.
    void rebuild();
    void toggle(AccountSection* section);
    void fitHeight();

    UsageAccounts& m_accounts;
    QScrollArea* m_scroll;
    QWidget* m_sections;
    QVBoxLayout* m_sectionsLayout;
    RefreshFooter* m_footer;
    // The account whose section is open past two accounts; empty: none.
    QString m_openId;
    int m_heightLimit = QWIDGETSIZE_MAX;
};
