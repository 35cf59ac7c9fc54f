#include "views/widgets/elided_label.h"

#include <QPainter>
#include <QTextLayout>

ElidedLabel::ElidedLabel(const QString& text, int maxLines, QWidget* parent)
    : QLabel(text, parent), m_maxLines(qMax(1, maxLines))
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QStringList ElidedLabel::shownLines(const QString& text, const QFont& font, int width, int maxLines)
{
    // Line breaks in the text break the layout too.
    QString laidOut = text;
    laidOut.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    const QFontMetrics metrics(font);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1, width));
        if (lines.size() == maxLines - 1) {
            QString rest = laidOut.mid(line.textStart());
            rest.replace(QChar::LineSeparator, QLatin1Char(' '));
            lines << metrics.elidedText(rest, Qt::ElideRight, qMax(1, width));
            break;
        }
        lines << laidOut.mid(line.textStart(), line.textLength())
                     .remove(QChar::LineSeparator)
                     .trimmed();
    }
    layout.endLayout();
    return lines;
}

bool ElidedLabel::hasHeightForWidth() const
{
    return true;
}

int ElidedLabel::heightForWidth(int width) const
{
    const int lines = qMax(1, int(shownLines(text(), font(), width, m_maxLines).size()));
    return lines * fontMetrics().lineSpacing();
}

QSize ElidedLabel::sizeHint() const
{
    // Wide enough for the text on one line; the layout narrows it and the text wraps.
    const int width = fontMetrics().horizontalAdvance(text());
    return QSize(width, heightForWidth(width));
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 4, fontMetrics().lineSpacing());
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const int lineSpacing = fontMetrics().lineSpacing();
    int y = 0;
    for (const QString& line : shownLines(text(), font(), width(), m_maxLines)) {
        painter.drawText(QRect(0, y, width(), lineSpacing), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += lineSpacing;
    }
}
