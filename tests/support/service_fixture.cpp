#include "service_fixture.h"

#include <QSignalSpy>

ServiceFixture::ServiceFixture()
{
    store->put(QByteArray("sessionKey=test-cookie-1"));
}

void ServiceFixture::serveHappyPath()
{
    server.on(organizationsPath, ServiceBodies::json(ServiceBodies::organizations()));
    server.on(usagePath, ServiceBodies::json(ServiceBodies::usage()));
}

std::unique_ptr<UsageService> ServiceFixture::makeService()
{
    return std::make_unique<UsageService>(keychain, defaults.defaults(), server.origin());
}

bool ServiceFixture::fetchAndWait(UsageService& service)
{
    QSignalSpy finished(&service, &UsageService::isLoadingChanged);
    service.fetchUsage();
    if (!service.isLoading())
        return true;
    while (service.isLoading()) {
        if (!finished.wait(10000))
            return false;
    }
    return true;
}
