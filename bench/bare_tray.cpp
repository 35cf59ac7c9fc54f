// The yardstick for Gaugery's footprint: the least a Qt Widgets tray program can be,
// one QSystemTrayIcon and a hidden 260x300 widget.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(QColor(217, 173, 140));
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.setToolTip(QStringLiteral("bare"));
    tray.show();
    QWidget hidden;
    hidden.resize(260, 300);
    return app.exec();
}
