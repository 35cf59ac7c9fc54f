#include "views/dashboard/welcome_view.h"

#include "views/widgets/claude_colors.h"
#include "views/widgets/plain_button.h"
#include "views/widgets/symbol_view.h"
#include "views/widgets/view_fonts.h"

#include <QLabel>
#include <QVBoxLayout>

WelcomeView::WelcomeView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 24, 0, 24);
    layout->setSpacing(12);

    layout->addWidget(new SymbolView(QStringLiteral("sparkle"), 28,
                                     [](const QPalette&) { return ClaudeColors::claudeTan(); }),
                      0, Qt::AlignHCenter);

    auto* headline = new QLabel(tr("Track Your Claude Usage with Gaugery"));
    headline->setFont(ViewFonts::font(13, QFont::DemiBold));
    headline->setAlignment(Qt::AlignCenter);
    headline->setWordWrap(true);
    layout->addWidget(headline);

    auto* line = new QLabel(tr("Monitor your API limits right from your tray"));
    line->setFont(ViewFonts::font(11));
    line->setForegroundRole(QPalette::PlaceholderText);
    line->setAlignment(Qt::AlignCenter);
    line->setWordWrap(true);
    line->setContentsMargins(20, 0, 20, 0);
    layout->addWidget(line);

    PlainButton::Look look;
    look.font = ViewFonts::font(12, QFont::Medium);
    look.foreground = [](const QPalette&) { return QColor(Qt::white); };
    look.symbol = QStringLiteral("arrow.right.circle.fill");
    look.symbolSize = 12;
    look.spacing = 6;
    look.fill = ClaudeColors::claudeTan();
    look.radius = 6;
    look.padding = QMargins(16, 8, 16, 8);
    m_getStarted = new PlainButton(tr("Get Started"), look);
    layout->addSpacing(4);
    layout->addWidget(m_getStarted, 0, Qt::AlignHCenter);
    connect(m_getStarted, &PlainButton::clicked, this, &WelcomeView::getStarted);

    auto* hint = new QLabel(tr("Then use Import from Browser, or paste your session "
                               "cookie."));
    hint->setFont(ViewFonts::font(11));
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    hint->setContentsMargins(20, 0, 20, 0);
    layout->addWidget(hint);

    auto* claudeCode =
        new QLabel(tr("Using Claude Code? Sign in there and Gaugery reads your usage by itself."));
    claudeCode->setFont(ViewFonts::font(11));
    claudeCode->setForegroundRole(QPalette::PlaceholderText);
    claudeCode->setAlignment(Qt::AlignCenter);
    claudeCode->setWordWrap(true);
    claudeCode->setContentsMargins(20, 0, 20, 0);
    layout->addWidget(claudeCode);
}
