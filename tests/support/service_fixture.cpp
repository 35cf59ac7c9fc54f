#include "service_fixture.h"

#include <QDeadlineTimer>
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

std::unique_ptr<UsageService> ServiceFixture::makeService(Clock clock)
{
    return std::make_unique<UsageService>(keychain, defaults.defaults(), server.origin(),
                                          std::move(clock));
}

bool ServiceFixture::startAndWait(UsageService& service)
{
    service.start();
    return settle(service);
}

bool ServiceFixture::fetchAndWait(UsageService& service)
{
    service.fetchUsage();
    return settle(service);
}

bool ServiceFixture::settle(UsageService& service)
{
    // The keyring answers in order, so once this read is back the earlier ones are too.
    QObject marker;
    bool answered = false;
    keychain.read(&marker, [&answered](const CookieRead&) { answered = true; });
    const QDeadlineTimer deadline(10000);
    while (!answered && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QSignalSpy finished(&service, &UsageService::isLoadingChanged);
    while (answered && service.isLoading()) {
        if (!finished.wait(10000))
            return false;
    }
    return answered;
}
