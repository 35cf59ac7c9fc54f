#include "app/gaugery_app.h"

#include "app/app_delegate.h"
#include "app/platform/single_instance.h"
#include "build_config.h"
#include "services/translations.h"

GaugeryApp::GaugeryApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("gaugery"));
    setApplicationName(QStringLiteral("gaugery"));
    setApplicationVersion(QString::fromUtf8(BuildConfig::version));
    // The Wayland app id and the launcher entry's name.
    setDesktopFileName(QString::fromLatin1(BuildConfig::appId));
    setQuitOnLastWindowClosed(false);
    Translations::install(*this);
}

GaugeryApp::~GaugeryApp() = default;

int GaugeryApp::run(const UsageEndpoints& endpoints)
{
    auto* instance = new SingleInstance(QDBusConnection::sessionBus(), this);
    if (instance->claim() == SingleInstance::Role::Secondary) {
        instance->forwardToggle();
        return 0;
    }

    m_delegate = std::make_unique<AppDelegate>(AppEnvironment::standard(endpoints));
    connect(instance, &SingleInstance::toggleRequested, m_delegate.get(),
            [this] { m_delegate->toggleDashboardFromShortcut(); });
    m_delegate->start();
    return exec();
}
