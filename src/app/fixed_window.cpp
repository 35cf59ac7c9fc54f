#include "app/fixed_window.h"

#include <QCloseEvent>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

FixedWindow::FixedWindow(QWidget* content, const QString& title, const QSize& size)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    // Equal minimum and maximum sizes are what window managers read as "not resizable".
    setFixedSize(size);
    if (const QScreen* target = screen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size,
                                        target->availableGeometry()));
}

void FixedWindow::present()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void FixedWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closed();
}
