#pragma once

#include "services/user_defaults.h"

#include <QTemporaryDir>

#include <memory>

// User defaults in a settings file of their own, removed with the object.
class TemporaryDefaults {
public:
    TemporaryDefaults();

    UserDefaults& defaults() { return *m_defaults; }
    QString fileName() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
};
