#include "views/dashboard/dashboard_view.h"

#include "services/accounts/usage_accounts.h"
#include "services/fetch/usage_service.h"
#include "views/accounts/accounts_block.h"
#include "views/dashboard/dashboard_shape.h"
#include "views/dashboard/refresh_footer.h"
#include "views/dashboard/usage_block.h"
#include "views/dashboard/welcome_view.h"
#include "views/settings/donation_page.h"
#include "views/widgets/busy_indicator.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/divider.h"
#include "views/widgets/elided_label.h"
#include "views/widgets/error_line.h"
#include "views/widgets/menu_button.h"
#include "views/widgets/symbol_view.h"
#include "views/widgets/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

ColorSource tan()
{
    return [](const QPalette&) { return ClaudeColors::claudeTan(); };
}

QWidget* loadingBlock()
{
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 30, 0, 30);
    layout->setSpacing(10);
    layout->addWidget(new BusyIndicator(26), 0, Qt::AlignHCenter);
    auto* text = new QLabel(DashboardView::tr("Loading usage data..."));
    text->setFont(ViewFonts::font(11));
    text->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    return block;
}

} // namespace

DashboardView::DashboardView(UsageAccounts& accounts, QWidget* parent)
    : QWidget(parent), m_accounts(accounts)
{
    setFixedWidth(DashboardShape::width);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_header = buildHeader();
    m_layout->addWidget(m_header);
    m_layout->addWidget(new Divider(10));
    // Every content is built once, here, and only shown or hidden: built between the
    // header and the menu, it keeps its place in the Tab order and for screen readers.
    for (DashboardContent kind : {DashboardContent::usage, DashboardContent::welcome,
                                  DashboardContent::loading, DashboardContent::accounts}) {
        QWidget* content = buildContent(kind);
        content->hide();
        m_layout->addWidget(content);
        m_contents.insert(kind, content);
    }

    m_errorLine = new ErrorLine;
    m_layout->addWidget(m_errorLine);

    m_layout->addWidget(new Divider(10));
    m_menu = buildMenu();
    m_layout->addWidget(m_menu);

    connect(&m_accounts, &UsageAccounts::changed, this, &DashboardView::refresh);
    m_minuteTick = new QTimer(this);
    m_minuteTick->setInterval(60 * 1000);
    m_minuteTick->setTimerType(Qt::VeryCoarseTimer);
    connect(m_minuteTick, &QTimer::timeout, this, &DashboardView::showCurrent);
    refresh();
}

ElidedLabel* DashboardView::errorLabel() const
{
    return m_errorLine->label();
}

QWidget* DashboardView::errorLine() const
{
    return m_errorLine;
}

bool DashboardView::severalAccounts() const
{
    return m_accounts.accounts().size() > 1;
}

QWidget* DashboardView::buildHeader()
{
    auto* header = new QWidget;
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(8);
    layout->addWidget(new SymbolView(QStringLiteral("sparkle"), 14, tan()));
    auto* title = new QLabel(QStringLiteral("Gaugery"));
    title->setFont(ViewFonts::font(14, QFont::DemiBold));
    // Under the name, whose figures these are, when the account has more than one.
    m_organizationLabel = new ElidedLabel(QString(), 1);
    m_organizationLabel->setTextFormat(Qt::PlainText);
    m_organizationLabel->setFont(ViewFonts::font(11));
    m_organizationLabel->setForegroundRole(QPalette::PlaceholderText);
    m_organizationLabel->hide();
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(title);
    titles->addWidget(m_organizationLabel);
    layout->addLayout(titles, 1);
    m_headerIndicator = new BusyIndicator(14);
    // Keeps the header's height when the indicator comes and goes.
    QSizePolicy keep = m_headerIndicator->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_headerIndicator->setSizePolicy(keep);
    layout->addWidget(m_headerIndicator);
    return header;
}

QWidget* DashboardView::buildMenu()
{
    auto* menu = new QWidget;
    auto* layout = new QVBoxLayout(menu);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(0);
    m_cookieButton = new MenuButton(QStringLiteral("key.fill"), QString(), false);
    m_historyButton = new MenuButton(QStringLiteral("chart.xyaxis.line"), tr("History"), false);
    m_settingsButton = new MenuButton(QStringLiteral("gear"), tr("Settings"), false);
    m_donationButton =
        new MenuButton(QStringLiteral("cup.and.saucer.fill"), tr("Buy Me a Coffee"), false);
    m_quitButton = new MenuButton(QStringLiteral("power"), tr("Quit"), true);
    layout->addWidget(m_cookieButton);
    layout->addWidget(m_historyButton);
    layout->addWidget(m_settingsButton);
    layout->addWidget(m_donationButton);
    layout->addWidget(new Divider(10, 2));
    layout->addWidget(m_quitButton);

    connect(m_cookieButton, &MenuButton::clicked, this,
            [this] { Q_EMIT setCookieRequested(m_accounts.first().accountId()); });
    connect(m_historyButton, &MenuButton::clicked, this, &DashboardView::historyRequested);
    connect(m_settingsButton, &MenuButton::clicked, this, &DashboardView::settingsRequested);
    connect(m_donationButton, &MenuButton::clicked, this, &DonationPage::open);
    connect(m_quitButton, &MenuButton::clicked, this, &DashboardView::quitRequested);
    return menu;
}

QWidget* DashboardView::buildContent(DashboardContent kind)
{
    switch (kind) {
    case DashboardContent::usage: {
        auto* block = new UsageBlock;
        connect(block, &UsageBlock::refreshRequested, &m_accounts, &UsageAccounts::refreshAll);
        return block;
    }
    case DashboardContent::accounts:
        // Built inside the dashboard, so its headers take their place in its Tab order.
        m_accountsBlock = new AccountsBlock(m_accounts, this);
        connect(m_accountsBlock, &AccountsBlock::cookieRequested, this,
                &DashboardView::setCookieRequested);
        return m_accountsBlock;
    case DashboardContent::welcome: {
        auto* welcome = new WelcomeView;
        connect(welcome, &WelcomeView::getStarted, this,
                [this] { Q_EMIT setCookieRequested(m_accounts.first().accountId()); });
        return welcome;
    }
    case DashboardContent::loading:
        return loadingBlock();
    case DashboardContent::none:
        break;
    }
    return nullptr;
}

void DashboardView::refresh()
{
    const QList<UsageService*> services = m_accounts.services();
    UsageService& first = m_accounts.first();
    const std::optional<UsageData>& data = first.usageData();
    const bool several = severalAccounts();
    const bool anyConnected = std::any_of(services.begin(), services.end(),
                                          [](const UsageService* s) { return s->isConnected(); });
    const DashboardContent kind =
        several ? Dashboard::contentOfSeveral(anyConnected)
                : Dashboard::content(data.has_value(), first.isConnected(), first.isLoading());
    if (kind != m_contentKind) {
        if (QWidget* old = m_contents.value(m_contentKind))
            old->hide();
        m_contentKind = kind;
        if (QWidget* shown = m_contents.value(kind))
            shown->show();
    }
    if (auto* block = qobject_cast<UsageBlock*>(contentWidget()); block && data) {
        const QDateTime now = m_accounts.now();
        block->setUsageData(*data, first.freshness(now), now);
    }

    m_headerIndicator->setVisible(std::any_of(
        services.begin(), services.end(), [](const UsageService* s) { return s->isLoading(); }));
    // Each section of several is headed by its account; one account names its organization.
    const std::optional<Organization>& organization = first.organization();
    m_organizationLabel->setVisible(!several && organization && first.organizations().size() > 1);
    m_organizationLabel->setText(organization ? organization->displayName() : QString());
    m_errorLine->setMessage(several ? std::nullopt : first.error());
    m_cookieButton->setText(first.hasCookie() ? tr("Update Cookie") : tr("Set Cookie"));
    // Several accounts: each section offers its own, so none here could be mistaken.
    m_cookieButton->setVisible(!several);
    if (several) {
        // The sections get what the tallest dashboard leaves them.
        const int rest = m_header->sizeHint().height() + m_menu->sizeHint().height() + 2 + 1 +
                         m_accountsBlock->footer()->sizeHint().height();
        m_accountsBlock->setHeightLimit(DashboardShape::tallestHeight - rest);
    }
    updateGeometry();
}

void DashboardView::showCurrent()
{
    refresh();
    m_accountsBlock->refresh();
}

void DashboardView::hideEvent(QHideEvent* event)
{
    m_minuteTick->stop();
    QWidget::hideEvent(event);
}

void DashboardView::showEvent(QShowEvent* event)
{
    // Only the showings the program asks for; the window system's own (after a
    // workspace switch, say) are not a new opening of the dashboard. It asks as a tick
    // would: not during a running chain, a rate limit or Claude Code's spacing.
    if (!event->spontaneous()) {
        for (UsageService* usage : m_accounts.services()) {
            if (usage->isConnected() && !usage->usageData())
                usage->request(FetchTrigger::opening);
        }
        m_minuteTick->start();
    }
    QWidget::showEvent(event);
}
