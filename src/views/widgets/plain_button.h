#pragma once

#include "views/widgets/key_button.h"
#include "views/widgets/symbol_view.h"

#include <QMargins>

#include <optional>

// A button without system chrome: an optional symbol and a text in one colour, on an
// optional rounded fill. The style's push button would add bevels the design has not.
class PlainButton : public KeyButton {
    Q_OBJECT

public:
    struct Look {
        QFont font;
        ColorSource foreground;
        QString symbol;
        qreal symbolSize = 0;
        int spacing = 0;
        std::optional<QColor> fill;
        qreal radius = 0;
        QMargins padding;
    };

    PlainButton(const QString& text, Look look, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int symbolWidth() const;

    Look m_look;
};
