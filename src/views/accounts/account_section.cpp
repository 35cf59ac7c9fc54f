#include "views/accounts/account_section.h"

#include "services/fetch/fetch_messages.h"
#include "services/fetch/usage_service.h"
#include "views/accounts/account_header.h"
#include "views/dashboard/dashboard_content.h"
#include "views/dashboard/usage_row_widget.h"
#include "views/widgets/claude_colors.h"
#include "views/widgets/error_line.h"
#include "views/widgets/plain_button.h"
#include "views/widgets/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

AccountSection::AccountSection(UsageService& usage, bool collapsible, QWidget* parent)
    : QWidget(parent), m_usage(usage)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new AccountHeader(collapsible);
    connect(m_header, &AccountHeader::clicked, this, &AccountSection::toggleRequested);
    PlainButton::Look look;
    look.font = ViewFonts::font(11, QFont::Medium);
    look.foreground = [](const QPalette&) { return ClaudeColors::claudeTan(); };
    // Room for the focus ring around the text.
    look.padding = QMargins(3, 1, 3, 1);
    m_cookieButton = new PlainButton(QString(), look);
    connect(m_cookieButton, &PlainButton::clicked, this, &AccountSection::cookieRequested);
    // Beside the name, where a title leaves room; under the rows of a section that opens
    // and closes, whose header is a button of its own. Lined up with Refresh either way.
    auto* cookieRow = new QHBoxLayout;
    cookieRow->setContentsMargins(0, 0, 11, collapsible ? 4 : 0);
    cookieRow->setSpacing(0);
    if (!collapsible)
        cookieRow->addWidget(m_header, 1);
    else
        cookieRow->addStretch(1);
    cookieRow->addWidget(m_cookieButton);
    if (collapsible)
        layout->addWidget(m_header);
    else
        layout->addLayout(cookieRow);

    m_body = new QWidget;
    auto* body = new QVBoxLayout(m_body);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    m_rows = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    body->addWidget(m_rows);
    m_state = new QLabel;
    m_state->setFont(ViewFonts::font(11));
    m_state->setForegroundRole(QPalette::PlaceholderText);
    m_state->setContentsMargins(14, 2, 14, 4);
    body->addWidget(m_state);
    m_errorLine = new ErrorLine;
    body->addWidget(m_errorLine);
    connect(m_errorLine, &ErrorLine::actionClicked, this, &AccountSection::cookieRequested);
    if (collapsible)
        body->addLayout(cookieRow);
    layout->addWidget(m_body);
}

void AccountSection::setName(const QString& name)
{
    m_header->setName(name);
    m_name = name;
    showCookieAction();
}

void AccountSection::setTakesCookie(bool takesCookie)
{
    m_takesCookie = takesCookie;
    showCookieAction();
}

void AccountSection::setOpen(bool open)
{
    m_header->setOpen(open);
    m_body->setVisible(open);
    showCookieAction();
    // Measured at once by the block, not on the layouts' later turn.
    m_body->updateGeometry();
    updateGeometry();
}

bool AccountSection::isOpen() const
{
    return m_header->isOpen();
}

QList<UsageRowWidget*> AccountSection::rows() const
{
    return m_rows->findChildren<UsageRowWidget*>(Qt::FindDirectChildrenOnly);
}

void AccountSection::refresh(const QDateTime& now)
{
    const std::optional<UsageData>& data = m_usage.usageData();
    // Rows hold no focus, so they are built afresh, as the dashboard of one account does.
    for (UsageRowWidget* row : rows())
        delete row;
    if (data) {
        for (const UsageRow& row : Dashboard::usageRows(*data, now)) {
            auto* widget = new UsageRowWidget(row);
            m_rowsLayout->addWidget(widget);
            // Now, not on the layout's later turn: the block measures the section at once.
            widget->show();
        }
        const WindowFigure highest =
            *UsageWindows::shownFigure(*data, UsageWindows::highestMetric, now);
        m_header->setFigure(UsageWindows::rowPercentText(highest.percent),
                            ClaudeColors::severityColor(UsageWindows::severityOf(highest.percent)));
    } else {
        m_header->setFigure(QString(), QColor());
    }
    switch (Dashboard::content(data.has_value(), m_usage.isConnected(), m_usage.isLoading())) {
    case DashboardContent::welcome:
        m_state->setText(tr("Not connected"));
        break;
    case DashboardContent::loading:
        m_state->setText(tr("Loading usage data..."));
        break;
    default:
        if (const Freshness freshness = m_usage.freshness(now); freshness.stale)
            m_state->setText(freshness.asOfText(now));
        else
            m_state->clear();
    }
    m_state->setVisible(!m_state->text().isEmpty());
    m_errorLine->setMessage(m_usage.error());
    showCookieAction();
    m_body->updateGeometry();
    updateGeometry();
}

void AccountSection::showCookieAction()
{
    // Not for figures that come from Claude Code's sign-in: those need no cookie.
    const bool cookie = m_takesCookie && m_usage.source() != UsageSource::claudeCode;
    const bool asked = cookie && m_usage.error() && FetchMessages::asksForCookie(*m_usage.error());
    const QString text = m_usage.hasCookie() ? tr("Update Cookie…") : tr("Set Cookie…");
    m_errorLine->setAction(asked ? text : QString());
    m_cookieButton->setText(text);
    m_cookieButton->setVisible(cookie && !asked && isOpen());
    const QString named =
        m_usage.hasCookie() ? tr("Update Cookie for %1") : tr("Set Cookie for %1");
    m_cookieButton->setAccessibleName(named.arg(m_name));
    m_errorLine->action()->setAccessibleName(named.arg(m_name));
}
