#pragma once

#include <QObject>

#include <memory>

class GlobalHotkey : public QObject {
    Q_OBJECT
public:
    static std::unique_ptr<GlobalHotkey> install(QObject* parent = nullptr);
Q_SIGNALS:
    void activated();
};
