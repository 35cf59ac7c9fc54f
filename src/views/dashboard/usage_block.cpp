#include "views/dashboard/usage_block.h"

#include "models/freshness.h"
#include "views/dashboard/dashboard_content.h"
#include "views/dashboard/refresh_footer.h"
#include "views/dashboard/usage_row_widget.h"
#include "views/widgets/divider.h"

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
    m_scroll = scrollArea(m_rows);
    layout->addWidget(m_scroll);
    layout->addWidget(new Divider(10));

    m_footer = new RefreshFooter;
    layout->addWidget(m_footer);
    connect(m_footer, &RefreshFooter::refreshRequested, this, &UsageBlock::refreshRequested);
}

QScrollArea* UsageBlock::scrollArea(QWidget* content)
{
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return scroll;
}

void UsageBlock::setUsageData(const UsageData& data, const Freshness& freshness,
                              const QDateTime& now)
{
    // Rows are cheap and hold no focus, so they are built afresh for every snapshot.
    for (UsageRowWidget* row : rows())
        delete row;
    int height = m_rowsLayout->contentsMargins().top() + m_rowsLayout->contentsMargins().bottom();
    int shown = 0;
    for (const UsageRow& row : Dashboard::usageRows(data, now)) {
        auto* widget = new UsageRowWidget(row);
        m_rowsLayout->addWidget(widget);
        if (shown++ < rowsBeforeScrolling)
            height += widget->sizeHint().height();
    }
    m_scroll->setFixedHeight(height);
    m_footer->setUpdated(freshness.updatedText(now));
}

QList<UsageRowWidget*> UsageBlock::rows() const
{
    return m_rows->findChildren<UsageRowWidget*>(Qt::FindDirectChildrenOnly);
}

QLabel* UsageBlock::updatedLabel() const
{
    return m_footer->updatedLabel();
}

PlainButton* UsageBlock::refreshButton() const
{
    return m_footer->refreshButton();
}
