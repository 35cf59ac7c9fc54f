#include "app/app_environment.h"

#include "services/diagnostics.h"
#include "services/keychain_service.h"
#include "services/user_defaults.h"

#include <QCoreApplication>

AppEnvironment AppEnvironment::standard(const UsageEndpoints& endpoints)
{
    return {KeychainService::shared(),
            UserDefaults::standard(),
            endpoints,
            QDBusConnection::sessionBus(),
            AutostartEntry(AutostartEntry::defaultPath(), QCoreApplication::applicationFilePath()),
            printDiagnostic};
}
