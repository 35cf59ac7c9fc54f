#pragma once

#include "services/settings.h"

#include <QTemporaryDir>

#include <memory>

// User defaults in a settings file of their own, removed with the object.
class TemporarySettings {
public:
    TemporarySettings();

    Settings& defaults() { return *m_defaults; }
    QString fileName() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Settings> m_defaults;
};
