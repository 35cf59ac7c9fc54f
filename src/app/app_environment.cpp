#include "app/app_environment.h"

#include "services/diagnostics.h"
#include "services/keyring/keyring_service.h"
#include "services/settings.h"

#include <QCoreApplication>

AppEnvironment AppEnvironment::standard(const UsageEndpoints& endpoints)
{
    return {KeyringService::shared(),
            Settings::instance(),
            endpoints,
            QDBusConnection::sessionBus(),
            AutostartEntry(AutostartEntry::defaultPath(), QCoreApplication::applicationFilePath()),
            printDiagnostic};
}
