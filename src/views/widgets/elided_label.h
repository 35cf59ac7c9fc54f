#pragma once

#include <QLabel>

// Wrapped text limited to a number of lines, the last one elided. A QLabel underneath,
// so screen readers get the whole text as its name; QLabel itself cannot cap lines.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    // The lines shown at a width: wrapped at word boundaries (anywhere inside a word too
    // long for a line), at most maxLines, the last one ending in "…" when text is left.
    static QStringList shownLines(const QString& text, const QFont& font, int width, int maxLines);

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_maxLines;
};
