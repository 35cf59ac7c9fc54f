#include "app/app_environment.h"

#include "services/diagnostics.h"
#include "services/keychain_service.h"
#include "services/usage_service.h"
#include "services/user_defaults.h"

#include <QCoreApplication>

AppEnvironment AppEnvironment::standard()
{
    return {KeychainService::shared(),
            UserDefaults::standard(),
            UsageService::defaultOrigin(),
            QDBusConnection::sessionBus(),
            AutostartEntry(AutostartEntry::defaultPath(), QCoreApplication::applicationFilePath()),
            printDiagnostic};
}
