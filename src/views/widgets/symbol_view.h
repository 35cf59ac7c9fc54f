#pragma once

#include <QWidget>

#include <functional>

// Where a view takes a colour from: fixed, or derived from the palette at paint time so
// that a theme change recolours it.
using ColorSource = std::function<QColor(const QPalette&)>;

// One symbol of the icon set, centred in a frame of its own.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    // frameWidth 0: as wide as the symbol.
    SymbolView(const QString& symbol, qreal symbolSize, ColorSource tint, int frameWidth = 0,
               QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    qreal m_symbolSize;
    ColorSource m_tint;
    int m_frameWidth;
};
