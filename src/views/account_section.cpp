#include "views/account_section.h"

#include "services/fetch/usage_service.h"
#include "views/account_header.h"
#include "views/claude_colors.h"
#include "views/dashboard_content.h"
#include "views/error_line.h"
#include "views/usage_row_widget.h"
#include "views/view_fonts.h"

#include <QLabel>
#include <QVBoxLayout>

AccountSection::AccountSection(UsageService& usage, bool collapsible, QWidget* parent)
    : QWidget(parent), m_usage(usage)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_header = new AccountHeader(collapsible);
    layout->addWidget(m_header);
    connect(m_header, &AccountHeader::clicked, this, &AccountSection::toggleRequested);

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
    layout->addWidget(m_body);
    refresh();
}

void AccountSection::setName(const QString& name)
{
    m_header->setName(name);
}

void AccountSection::setOpen(bool open)
{
    m_header->setOpen(open);
    m_body->setVisible(open);
    // Measured at once by the block, not on the layouts' later turn.
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

void AccountSection::refresh()
{
    const std::optional<UsageData>& data = m_usage.usageData();
    // Rows hold no focus, so they are built afresh, as the dashboard of one account does.
    for (UsageRowWidget* row : rows())
        delete row;
    if (data) {
        for (const UsageRow& row : Dashboard::usageRows(*data))
            m_rowsLayout->addWidget(new UsageRowWidget(row));
        const WindowFigure highest = *UsageWindows::shownFigure(*data, UsageWindows::highestMetric);
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
        m_state->clear();
    }
    m_state->setVisible(!m_state->text().isEmpty());
    m_errorLine->setMessage(m_usage.error());
    m_body->updateGeometry();
    updateGeometry();
}
