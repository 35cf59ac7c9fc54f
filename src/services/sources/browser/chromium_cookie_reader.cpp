#include "services/sources/browser/chromium_cookie_reader.h"

#include "services/parsing/chromium_cookie_crypto.h"
#include "services/sources/browser/cookie_database_copy.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <variant>

namespace {

// Database version from which each plaintext opens with the hash of its host.
constexpr int hostHashedVersion = 24;

// Chromium counts microseconds from 1601-01-01 UTC.
QDateTime timeOf(qint64 microseconds)
{
    constexpr qint64 unixEpochMicroseconds = 11'644'473'600'000'000;
    return QDateTime::fromMSecsSinceEpoch((microseconds - unixEpochMicroseconds) / 1000,
                                          QTimeZone::utc());
}

QList<CookieRow> rowsOf(const QList<QVariantList>& table)
{
    QList<CookieRow> rows;
    for (const QVariantList& r : table) {
        const QByteArray encrypted = r.value(3).toByteArray();
        const bool expires = r.value(5).toInt() != 0;
        rows.append({r.value(0).toByteArray(), r.value(1).toByteArray(),
                     encrypted.isEmpty() ? r.value(2).toByteArray() : encrypted,
                     !encrypted.isEmpty(), expires ? timeOf(r.value(4).toLongLong()) : QDateTime(),
                     timeOf(r.value(6).toLongLong()), r.value(7).toByteArray(),
                     r.value(8).toByteArray(), r.value(9).toLongLong()});
    }
    return rows;
}

CookieReadProblem keyProblem(SafeStorageKey::Status status)
{
    switch (status) {
    case SafeStorageKey::Status::Missing:
        return CookieReadProblem::KeyMissing;
    case SafeStorageKey::Status::MissingInKWallet:
        return CookieReadProblem::KeyMissingInKWallet;
    case SafeStorageKey::Status::Unreachable:
        return CookieReadProblem::KeyUnreachable;
    case SafeStorageKey::Status::KWalletRefused:
        return CookieReadProblem::KWalletRefused;
    case SafeStorageKey::Status::KWalletUnreachable:
        return CookieReadProblem::KWalletUnreachable;
    case SafeStorageKey::Status::Found:
        break;
    }
    return CookieReadProblem::NotDecrypted;
}

// Decrypts the rows of one profile, asking for the keyring password at most once.
class Decryptor {
public:
    Decryptor(const ChromiumCookieReader::KeyringPasswords& passwords, bool hostHashed)
        : m_passwords(passwords), m_hostHashed(hostHashed)
    {
    }

    std::variant<QByteArray, CookieReadProblem> value(const CookieRow& row)
    {
        if (!row.encrypted)
            return row.value;
        using ChromiumCookieCrypto::Scheme;
        const Scheme scheme = ChromiumCookieCrypto::schemeOf(row.value);
        if (scheme == Scheme::Unknown)
            return CookieReadProblem::NotDecrypted;
        for (const QByteArray& key : keysFor(scheme)) {
            if (auto plain = ChromiumCookieCrypto::decrypt(row.value, key, row.host, m_hostHashed))
                return *plain;
        }
        if (scheme == Scheme::Keyring && m_key->passwords.isEmpty())
            return keyProblem(m_key->status);
        return CookieReadProblem::NotDecrypted;
    }

private:
    QList<QByteArray> keysFor(ChromiumCookieCrypto::Scheme scheme)
    {
        if (scheme == ChromiumCookieCrypto::Scheme::Fixed)
            return {ChromiumCookieCrypto::fixedKey()};
        if (!m_key)
            m_key = m_passwords ? m_passwords() : SafeStorageKey{};
        QList<QByteArray> keys;
        for (const QByteArray& password : m_key->passwords)
            keys.append(ChromiumCookieCrypto::deriveKey(password));
        // Chromium encrypts with an empty password while its keyring is unavailable.
        keys.append(ChromiumCookieCrypto::deriveKey(QByteArray()));
        return keys;
    }

    const ChromiumCookieReader::KeyringPasswords& m_passwords;
    const bool m_hostHashed;
    std::optional<SafeStorageKey> m_key;
};

} // namespace

QString ChromiumCookieReader::databasePath(const QString& profileDirectory)
{
    const QDir profile(profileDirectory);
    for (const QString& name : {QStringLiteral("Network/Cookies"), QStringLiteral("Cookies")}) {
        if (QFileInfo(profile.filePath(name)).isFile())
            return profile.filePath(name);
    }
    return {};
}

ProfileReading ChromiumCookieReader::read(const QString& database, const CookieRequest& request,
                                          const QDateTime& now, const KeyringPasswords& passwords)
{
    const CookieDatabaseCopy copy(database);
    const CookieDatabaseCopy::Rows version =
        copy.problem()
            ? CookieDatabaseCopy::Rows{{}, copy.problem()}
            : copy.select(QStringLiteral("SELECT value FROM meta WHERE key = 'version'"));
    const CookieDatabaseCopy::Rows table =
        version.problem
            ? version
            : copy.select(QStringLiteral("SELECT host_key, name, value, encrypted_value, "
                                         "expires_utc, has_expires, last_access_utc, path, "
                                         "top_frame_site_key, creation_utc FROM cookies "
                                         "WHERE host_key IN (%1)")
                              .arg(QStringList(request.hosts.size(), QStringLiteral("?"))
                                       .join(QLatin1String(", "))),
                          request.hosts);
    if (table.problem || version.rows.isEmpty())
        return {std::nullopt, table.problem.value_or(CookieReadProblem::UnknownLayout)};
    const QList<CookieRow> rows = rowsOf(table.rows);

    Decryptor decryptor(passwords, version.rows.first().value(0).toInt() >= hostHashedVersion);
    return CookieRows::session(rows, request, now,
                               [&decryptor](const CookieRow& row) { return decryptor.value(row); });
}
