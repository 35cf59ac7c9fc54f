#include "service_fixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
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

UsageEndpoints ServiceFixture::endpoints() const
{
    return {server.origin(), server.origin(),
            claudeHome.filePath(QStringLiteral(".claude/.credentials.json"))};
}

void ServiceFixture::writeClaudeCode(const QString& token, const QDateTime& expiresAt,
                                     const QString& plan)
{
    // Written beside and renamed over, as Claude Code does.
    QDir(claudeHome.path()).mkpath(QStringLiteral(".claude"));
    const QString path = endpoints().claudeCodeFile;
    QFile file(path + QStringLiteral(".new"));
    file.open(QIODevice::WriteOnly);
    file.write(
        QStringLiteral(R"({"claudeAiOauth":{"accessToken":"%1","refreshToken":"not-for-gaugery",)"
                       R"("expiresAt":%2,"scopes":["user:inference","user:profile"],)"
                       R"("subscriptionType":"%3"}})")
            .arg(token)
            .arg(expiresAt.toMSecsSinceEpoch())
            .arg(plan)
            .toUtf8());
    file.close();
    QFile::remove(path);
    QFile::rename(file.fileName(), path);
}

std::shared_ptr<MemorySecretStore> ServiceFixture::storeOf(const QString& accountId)
{
    std::shared_ptr<MemorySecretStore>& store = accountStores[accountId];
    if (!store)
        store = std::make_shared<MemorySecretStore>();
    return store;
}

std::unique_ptr<UsageAccounts> ServiceFixture::makeAccounts(Clock clock)
{
    return std::make_unique<UsageAccounts>(
        keyring, defaults.defaults(), endpoints(),
        [this](const Account& account) { return storeOf(account.id); }, std::move(clock));
}

std::unique_ptr<UsageService> ServiceFixture::makeService(Clock clock)
{
    return std::make_unique<UsageService>(keyring, defaults.defaults(), endpoints(),
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
    keyring.read(&marker, [&answered](const CookieRead&) { answered = true; });
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
