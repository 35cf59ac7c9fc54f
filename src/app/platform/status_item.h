#pragma once

#include "app/menu_bar_title.h"

#include <QDBusConnection>
#include <QObject>
#include <QRect>

class StatusItem : public QObject {
    Q_OBJECT
public:
    enum class Backend { StatusNotifier, XEmbed, None };
    Q_ENUM(Backend)
    explicit StatusItem(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                        QObject* parent = nullptr);
    void setTitle(const MenuBarTitle& title);
    Backend backend() const;
Q_SIGNALS:
    void activated(const QRect& anchor);
    void backendChanged(StatusItem::Backend backend);
};
