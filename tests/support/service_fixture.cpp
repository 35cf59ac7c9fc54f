#include "service_fixture.h"

#include "services/accounts/account_store.h"
#include "services/settings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <algorithm>

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
            claudeHome.filePath(QStringLiteral(".claude/.credentials.json")),
            UsageData::claudeCodeOwner,
            claudeHome.filePath(QStringLiteral("state/gaugery/claude-code-status"))};
}

void ServiceFixture::writeClaudeCode(const QString& token, const QDateTime& expiresAt,
                                     const QString& plan, const QDateTime& signInEnds,
                                     const QString& folder)
{
    // Written beside and renamed over, as Claude Code does.
    const QString path = folder.isEmpty() ? endpoints().claudeCodeFile
                                          : folder + QStringLiteral("/.credentials.json");
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path + QStringLiteral(".new"));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(
        QStringLiteral(R"({"claudeAiOauth":{"accessToken":"%1","refreshToken":"not-for-gaugery",)"
                       R"("expiresAt":%2,"scopes":["user:inference","user:profile"],)"
                       R"(%4"subscriptionType":"%3"}})")
            .arg(token)
            .arg(expiresAt.toMSecsSinceEpoch())
            .arg(plan, signInEnds.isValid() ? QStringLiteral(R"("refreshTokenExpiresAt":%1,)")
                                                  .arg(signInEnds.toMSecsSinceEpoch())
                                            : QString())
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

void ServiceFixture::serveAccounts(const QList<ServedAccount>& served)
{
    QList<Account> accounts;
    QJsonArray organizations;
    for (const ServedAccount& account : served) {
        const QString id = accounts.isEmpty()
                               ? Accounts::defaultId
                               : QStringLiteral("account%1").arg(accounts.size() + 1);
        const QString organization = QString::fromLatin1(account.organizationId);
        accounts.append({id, account.name, Account::Source::cookie,
                         id == Accounts::defaultId ? QString() : organization});
        if (id == Accounts::defaultId) {
            defaults.defaults().setValue(Settings::organizationIdKey, organization);
        } else {
            storeOf(id)->put(QByteArray("sessionKey=test-cookie-") + id.toLatin1());
        }
        organizations.append(QJsonObject{{QStringLiteral("uuid"), organization},
                                         {QStringLiteral("name"), account.organizationName.isEmpty()
                                                                      ? account.name
                                                                      : account.organizationName}});
        server.on("/api/organizations/" + account.organizationId + "/usage", account.usage);
    }
    AccountStore::save(defaults.defaults(), accounts);
    server.on(organizationsPath, ServiceBodies::json(QJsonDocument(organizations).toJson()));
}

bool ServiceFixture::startAndWait(UsageAccounts& accounts)
{
    accounts.start();
    const auto settled = [&accounts] {
        const QList<UsageService*> services = accounts.services();
        return std::all_of(services.begin(), services.end(), [](const UsageService* s) {
            return !s->isLoading() && (s->usageData() || s->error());
        });
    };
    const QDeadlineTimer deadline(10000);
    while (!settled() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return settled();
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
