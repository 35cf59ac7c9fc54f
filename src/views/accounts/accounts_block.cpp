#include "views/accounts/accounts_block.h"

#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "views/accounts/account_header.h"
#include "views/accounts/account_section.h"
#include "views/dashboard/dashboard_shape.h"
#include "views/dashboard/refresh_footer.h"
#include "views/dashboard/usage_block.h"
#include "views/widgets/divider.h"
#include "views/widgets/error_line.h"
#include "views/widgets/plain_button.h"

#include <QScrollArea>
#include <QVBoxLayout>

AccountsBlock::AccountsBlock(UsageAccounts& accounts, QWidget* parent)
    : QWidget(parent), m_accounts(accounts)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_sections = new QWidget;
    m_sectionsLayout = new QVBoxLayout(m_sections);
    m_sectionsLayout->setContentsMargins(0, 4, 0, 4);
    m_sectionsLayout->setSpacing(0);
    m_scroll = UsageBlock::scrollArea(m_sections);
    layout->addWidget(m_scroll);
    layout->addWidget(new Divider(10));
    m_footer = new RefreshFooter;
    layout->addWidget(m_footer);
    connect(m_footer, &RefreshFooter::refreshRequested, &m_accounts, &UsageAccounts::refreshAll);
    connect(&m_accounts, &UsageAccounts::accountsChanged, this, &AccountsBlock::rebuild);
    connect(&m_accounts, &UsageAccounts::changed, this, &AccountsBlock::refresh);
    rebuild();
}

QList<AccountSection*> AccountsBlock::sections() const
{
    return m_sections->findChildren<AccountSection*>(Qt::FindDirectChildrenOnly);
}

void AccountsBlock::setHeightLimit(int height)
{
    m_heightLimit = height;
    fitHeight();
}

void AccountsBlock::rebuild()
{
    for (AccountSection* section : sections())
        delete section;
    const QList<Account>& accounts = m_accounts.accounts();
    const bool collapsible = accounts.size() > 2;
    // One account is the dashboard's own block; no hidden copy of its rows here.
    for (const Account& account : accounts.size() > 1 ? accounts : QList<Account>()) {
        auto* section = new AccountSection(*m_accounts.service(account.id), collapsible);
        section->setName(account.name);
        section->setTakesCookie(account.source == Account::Source::cookie);
        section->setOpen(!collapsible || account.id == m_openId);
        connect(section, &AccountSection::toggleRequested, this,
                [this, section] { toggle(section); });
        connect(section, &AccountSection::cookieRequested, this,
                [this, id = account.id] { Q_EMIT cookieRequested(id); });
        m_sectionsLayout->addWidget(section);
    }
    // New widgets join the end of the Tab order; the sections belong before Refresh, each
    // header before its section's buttons.
    QWidget* previous = m_footer->refreshButton();
    for (AccountSection* section : sections()) {
        for (QWidget* next : {static_cast<QWidget*>(section->header()),
                              static_cast<QWidget*>(section->errorLine()->action()),
                              static_cast<QWidget*>(section->cookieButton())}) {
            setTabOrder(previous, next);
            previous = next;
        }
    }
    setTabOrder(previous, m_footer->refreshButton());
    refresh();
}

void AccountsBlock::toggle(AccountSection* section)
{
    if (!section->header()->isCollapsible())
        return;
    m_openId = section->isOpen() ? QString() : section->usage().accountId();
    for (AccountSection* each : sections())
        each->setOpen(each->usage().accountId() == m_openId);
    fitHeight();
}

void AccountsBlock::refresh()
{
    // The oldest snapshot's time: every figure shown is at least that fresh.
    const QDateTime now = m_accounts.now();
    QDateTime oldest;
    for (AccountSection* section : sections()) {
        section->refresh(now);
        const std::optional<UsageData>& data = section->usage().usageData();
        if (data && (!oldest.isValid() || data->lastUpdated < oldest))
            oldest = data->lastUpdated;
    }
    m_footer->setUpdated(oldest.isValid() ? UsageWindows::updatedText(oldest) : QString());
    fitHeight();
}

void AccountsBlock::fitHeight()
{
    // Layouts catch up with shown and hidden widgets on a later turn; measured now, every
    // cached size goes first.
    for (QLayout* layout : m_sections->findChildren<QLayout*>())
        layout->invalidate();
    m_sectionsLayout->invalidate();
    const int wanted = m_sections->hasHeightForWidth()
                           ? m_sections->heightForWidth(DashboardShape::width)
                           : m_sections->sizeHint().height();
    m_scroll->setFixedHeight(qMin(wanted, m_heightLimit));
}
