#include "services/browser_safe_storage.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <libsecret/secret.h>

namespace {

// Room for the user to answer an unlock prompt; after it, the lookup gives up.
constexpr guint deadlineMs = 30'000;

// The schemas Chromium has stored its password under, newest first.
constexpr const char* schemaNames[] = {"chrome_libsecret_os_crypt_password_v2",
                                       "chrome_libsecret_os_crypt_password"};

// The program's own keyring code owns libsecret's shared service on its own thread and
// context; this lookup opens a private, unshared service on a private context pushed on
// the calling thread, so the two never meet. One cancellable fires at the deadline and
// ends every call still running.
class PrivateSecretService {
public:
    PrivateSecretService()
        : m_context(g_main_context_new()), m_cancellable(g_cancellable_new()),
          m_deadline(g_timeout_source_new(deadlineMs))
    {
        g_main_context_push_thread_default(m_context);
        g_source_set_callback(
            m_deadline,
            [](gpointer cancellable) -> gboolean {
                g_cancellable_cancel(G_CANCELLABLE(cancellable));
                return G_SOURCE_REMOVE;
            },
            m_cancellable, nullptr);
        g_source_attach(m_deadline, m_context);

        secret_service_open(SECRET_TYPE_SERVICE, nullptr, SECRET_SERVICE_OPEN_SESSION,
                            m_cancellable, &PrivateSecretService::onReady, this);
        GError* error = nullptr;
        m_service = secret_service_open_finish(wait(), &error);
        g_clear_error(&error);
    }

    ~PrivateSecretService()
    {
        // The provider ends the transfer session this opened when the process leaves
        // the bus (closing it needs libsecret's unstable API).
        if (m_service)
            g_object_unref(m_service);
        if (m_result)
            g_object_unref(m_result);
        g_source_destroy(m_deadline);
        g_source_unref(m_deadline);
        g_object_unref(m_cancellable);
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }

    PrivateSecretService(const PrivateSecretService&) = delete;
    PrivateSecretService& operator=(const PrivateSecretService&) = delete;

    bool isOpen() const { return m_service != nullptr; }

    // The secrets of every item of this schema for the application, unlocking (which may
    // prompt) as needed; nothing on error.
    std::optional<QList<QByteArray>> secrets(const char* schemaName, const QByteArray& application)
    {
        SecretSchema schema{};
        schema.name = schemaName;
        schema.flags = SECRET_SCHEMA_NONE;
        schema.attributes[0] = {"application", SECRET_SCHEMA_ATTRIBUTE_STRING};
        GHashTable* attributes =
            secret_attributes_build(&schema, "application", application.constData(), nullptr);
        const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK |
                                             SECRET_SEARCH_LOAD_SECRETS);
        secret_service_search(m_service, &schema, attributes, flags, m_cancellable,
                              &PrivateSecretService::onReady, this);
        g_hash_table_unref(attributes);
        GError* error = nullptr;
        GList* items = secret_service_search_finish(m_service, wait(), &error);
        const bool failed = error != nullptr;
        g_clear_error(&error);

        QList<QByteArray> found;
        for (GList* node = items; node; node = node->next) {
            if (SecretValue* value = secret_item_get_secret(SECRET_ITEM(node->data))) {
                gsize length = 0;
                const gchar* bytes = secret_value_get(value, &length);
                if (length > 0)
                    found.append(QByteArray(bytes, qsizetype(length)));
                secret_value_unref(value);
            }
        }
        g_list_free_full(items, g_object_unref);
        if (failed)
            return std::nullopt;
        return found;
    }

private:
    static void onReady(GObject*, GAsyncResult* result, gpointer self)
    {
        static_cast<PrivateSecretService*>(self)->m_result = G_ASYNC_RESULT(g_object_ref(result));
    }

    // Once cancelled, libsecret still completes the call, so this loop ends.
    GAsyncResult* wait()
    {
        g_clear_object(&m_result);
        while (!m_result)
            g_main_context_iteration(m_context, TRUE);
        return m_result;
    }

    GMainContext* m_context;
    GCancellable* m_cancellable;
    GSource* m_deadline;
    SecretService* m_service = nullptr;
    GAsyncResult* m_result = nullptr;
};

// Chromium on a KDE desktop keeps its password in KWallet, which speaks its own protocol.
bool keepsKeysInKWallet()
{
    if (qEnvironmentVariable("XDG_CURRENT_DESKTOP")
            .contains(QLatin1String("KDE"), Qt::CaseInsensitive))
        return true;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (!names)
        return false;
    for (const QString& name :
         {QStringLiteral("org.kde.kwalletd6"), QStringLiteral("org.kde.kwalletd5"),
          QStringLiteral("org.kde.kwalletd")}) {
        if (names->isServiceRegistered(name).value())
            return true;
    }
    return false;
}

} // namespace

SafeStorageKey BrowserSafeStorage::lookup(const QStringList& applications)
{
    SafeStorageKey key;
    bool failed = false;
    {
        PrivateSecretService service;
        if (!service.isOpen())
            return {SafeStorageKey::Status::Unreachable, {}};
        for (const QString& application : applications) {
            for (const char* schema : schemaNames) {
                const auto secrets = service.secrets(schema, application.toUtf8());
                failed = failed || !secrets;
                if (secrets)
                    key.passwords.append(*secrets);
            }
        }
    }
    if (!key.passwords.isEmpty())
        key.status = SafeStorageKey::Status::Found;
    else if (keepsKeysInKWallet())
        key.status = SafeStorageKey::Status::InKWallet;
    else
        key.status = failed ? SafeStorageKey::Status::Unreachable : SafeStorageKey::Status::Missing;
    return key;
}
