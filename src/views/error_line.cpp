#include "views/error_line.h"

#include "views/claude_colors.h"
#include "views/elided_label.h"
#include "views/symbol_view.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>

ErrorLine::ErrorLine(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 6, 14, 6);
    layout->setSpacing(6);
    layout->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 11,
                                     [](const QPalette&) { return ClaudeColors::claudeTan(); }),
                      0, Qt::AlignTop);
    m_label = new ElidedLabel(QString(), 2);
    m_label->setFont(ViewFonts::font(10));
    m_label->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_label);
}

void ErrorLine::setMessage(const std::optional<QString>& message)
{
    m_label->setText(message.value_or(QString()));
    setVisible(message.has_value());
}
