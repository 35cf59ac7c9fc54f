#include "views/usage_block.h"

#include "views/claude_colors.h"
#include "views/dashboard_content.h"
#include "views/divider.h"
#include "views/plain_button.h"
#include "views/symbol_view.h"
#include "views/usage_row_widget.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

UsageBlock::UsageBlock(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_rows = new QWidget;
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 4, 0, 4);
    m_rowsLayout->setSpacing(0);
    // Past a few rows they scroll, so the dashboard stays within the screen.
    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_rows);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_rows->setAutoFillBackground(false);
    layout->addWidget(m_scroll);
    layout->addWidget(new Divider(10));

    auto* footer = new QHBoxLayout;
    // The Refresh button's focus padding is taken off the margins, so its text sits where
    // the design puts it.
    footer->setContentsMargins(14, 7, 11, 7);
    footer->setSpacing(6);
    footer->addWidget(
        new SymbolView(QStringLiteral("arrow.clockwise"), 10, &ClaudeColors::secondaryText));
    m_updated = new QLabel;
    m_updated->setFont(ViewFonts::font(11));
    m_updated->setForegroundRole(QPalette::PlaceholderText);
    footer->addWidget(m_updated);
    footer->addStretch();

    PlainButton::Look look;
    look.font = ViewFonts::font(11, QFont::Medium);
    look.foreground = [](const QPalette&) { return ClaudeColors::claudeTan(); };
    // Room for the focus ring around the text.
    look.padding = QMargins(3, 1, 3, 1);
    m_refresh = new PlainButton(tr("Refresh"), look);
    footer->addWidget(m_refresh);
    layout->addLayout(footer);
    connect(m_refresh, &PlainButton::clicked, this, &UsageBlock::refreshRequested);
}

void UsageBlock::setUsageData(const UsageData& data)
{
    // Rows are cheap and hold no focus, so they are built afresh for every snapshot.
    for (UsageRowWidget* row : rows())
        delete row;
    int height = m_rowsLayout->contentsMargins().top() + m_rowsLayout->contentsMargins().bottom();
    int shown = 0;
    for (const UsageRow& row : Dashboard::usageRows(data)) {
        auto* widget = new UsageRowWidget(row);
        m_rowsLayout->addWidget(widget);
        if (shown++ < rowsBeforeScrolling)
            height += widget->sizeHint().height();
    }
    m_scroll->setFixedHeight(height);
    m_updated->setText(UsageWindows::updatedText(data.lastUpdated));
}

QList<UsageRowWidget*> UsageBlock::rows() const
{
    return m_rows->findChildren<UsageRowWidget*>(Qt::FindDirectChildrenOnly);
}
