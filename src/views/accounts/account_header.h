#pragma once

#include "views/widgets/key_button.h"

// The heading of an account's section in the dashboard: the account's name, and while the
// section is closed its highest figure in its severity colour. A collapsible one (past two
// accounts) is the button that opens and closes the section; otherwise it is a title.
class AccountHeader : public KeyButton {
    Q_OBJECT

public:
    AccountHeader(bool collapsible, QWidget* parent = nullptr);

    bool isCollapsible() const { return m_collapsible; }
    void setName(const QString& name);
    QString name() const { return text(); }
    // The figure shown while closed ("42%") and its colour; empty: none.
    void setFigure(const QString& figure, const QColor& color);
    QString shownFigure() const;
    QColor figureColor() const { return m_figureColor; }
    void setOpen(bool open);
    bool isOpen() const { return m_open; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateAccessibleName();

    bool m_collapsible;
    bool m_open = true;
    QString m_figure;
    QColor m_figureColor;
};
