#include "views/dashboard/refresh_footer.h"

#include "views/widgets/claude_colors.h"
#include "views/widgets/plain_button.h"
#include "views/widgets/symbol_view.h"
#include "views/widgets/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>

RefreshFooter::RefreshFooter(QWidget* parent) : QWidget(parent)
{
    auto* footer = new QHBoxLayout(this);
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
    connect(m_refresh, &PlainButton::clicked, this, &RefreshFooter::refreshRequested);
}

void RefreshFooter::setUpdated(const QString& line)
{
    m_updated->setText(line);
}
