#include "views/widgets/error_line.h"

#include "views/widgets/claude_colors.h"
#include "views/widgets/elided_label.h"
#include "views/widgets/plain_button.h"
#include "views/widgets/symbol_view.h"
#include "views/widgets/view_fonts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

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
    PlainButton::Look look;
    look.font = ViewFonts::font(11, QFont::Medium);
    look.foreground = [](const QPalette&) { return ClaudeColors::claudeTan(); };
    // Room for the focus ring around the text.
    look.padding = QMargins(3, 1, 3, 1);
    m_action = new PlainButton(QString(), look);
    m_action->hide();
    connect(m_action, &PlainButton::clicked, this, &ErrorLine::actionClicked);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(m_label);
    text->addWidget(m_action, 0, Qt::AlignLeft);
    text->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(text);
}

void ErrorLine::setAction(const QString& text)
{
    m_action->setText(text);
    m_action->setVisible(!text.isEmpty());
}

void ErrorLine::setMessage(const std::optional<QString>& message)
{
    m_label->setText(message.value_or(QString()));
    setVisible(message.has_value());
}
