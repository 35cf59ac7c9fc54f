#include "services/sources/browser/browser_safe_storage.h"

#include "services/sources/browser/kwallet_passwords.h"

#include <libsecret/secret.h>

namespace {

// Room for the user to answer an unlock prompt; after it, each lookup gives up.
constexpr guint deadlineMs = 30'000;

// Chromium stores its password under the newer schema; the older one holds the same
// attribute, so one search by attribute finds both and the newer one is tried first.
constexpr const char* currentSchema = "chrome_libsecret_os_crypt_password_v2";
constexpr const char* olderSchema = "chrome_libsecret_os_crypt_password";

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
        // The last result holds the service too.
        g_clear_object(&m_result);
        g_clear_object(&m_service);
        // GDBus frees the proxy's signal subscriptions from idle callbacks on this
        // context; run them before it goes (a bounded number, in case one repeats).
        for (int i = 0; i < 100 && g_main_context_pending(m_context); ++i)
            g_main_context_iteration(m_context, FALSE);
        g_source_destroy(m_deadline);
        g_source_unref(m_deadline);
        g_object_unref(m_cancellable);
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }

    PrivateSecretService(const PrivateSecretService&) = delete;
    PrivateSecretService& operator=(const PrivateSecretService&) = delete;

    bool isOpen() const { return m_service != nullptr; }

    struct Secrets {
        QList<QByteArray> passwords;
        bool failed = false;
        // An item stayed locked: the user turned the unlock prompt down.
        bool locked = false;
    };

    // The secrets of every item with the application attribute, the current schema's
    // first, unlocking (which may prompt) as needed.
    Secrets secrets(const QByteArray& application)
    {
        SecretSchema schema = schemaNamed(currentSchema);
        schema.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        GHashTable* attributes =
            secret_attributes_build(&schema, "application", application.constData(), nullptr);
        Secrets result;
        GList* items = search(schema, attributes, SECRET_SEARCH_LOAD_SECRETS, result);
        g_hash_table_unref(attributes);
        result.passwords = passwordsOf(items);
        g_list_free_full(items, g_object_unref);
        return result;
    }

    // The secrets of the items of either schema that carry this label, the current
    // schema's first. The label is not searchable: each schema's items are listed
    // without their secrets, and only the labelled ones are loaded.
    Secrets labelled(const QString& label)
    {
        Secrets result;
        GList* matching = nullptr;
        for (const char* name : {currentSchema, olderSchema}) {
            const SecretSchema schema = schemaNamed(name);
            GHashTable* attributes = secret_attributes_build(&schema, nullptr);
            GList* items = search(schema, attributes, SECRET_SEARCH_NONE, result);
            g_hash_table_unref(attributes);
            for (GList* node = items; node; node = node->next) {
                gchar* itemLabel = secret_item_get_label(SECRET_ITEM(node->data));
                if (QString::fromUtf8(itemLabel) == label)
                    matching = g_list_append(matching, g_object_ref(node->data));
                g_free(itemLabel);
            }
            g_list_free_full(items, g_object_unref);
        }
        if (matching) {
            secret_item_load_secrets(matching, m_cancellable, &PrivateSecretService::onReady, this);
            GError* error = nullptr;
            secret_item_load_secrets_finish(wait(), &error);
            result.failed = result.failed || error != nullptr;
            g_clear_error(&error);
        }
        result.passwords = passwordsOf(matching);
        g_list_free_full(matching, g_object_unref);
        return result;
    }

private:
    static SecretSchema schemaNamed(const char* name)
    {
        SecretSchema schema{};
        schema.name = name;
        schema.attributes[0] = {"application", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return schema;
    }

    // Every item of every collection that matches, unlocked (which may prompt).
    GList* search(const SecretSchema& schema, GHashTable* attributes, SecretSearchFlags load,
                  Secrets& result)
    {
        const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | load);
        secret_service_search(m_service, &schema, attributes, flags, m_cancellable,
                              &PrivateSecretService::onReady, this);
        GError* error = nullptr;
        GList* items = secret_service_search_finish(m_service, wait(), &error);
        result.failed = result.failed || error != nullptr;
        g_clear_error(&error);
        for (GList* node = items; node; node = node->next)
            result.locked = result.locked || secret_item_get_locked(SECRET_ITEM(node->data));
        return items;
    }

    // The loaded secrets of these items, the current schema's first.
    static QList<QByteArray> passwordsOf(GList* items)
    {
        QList<QByteArray> current;
        QList<QByteArray> older;
        for (GList* node = items; node; node = node->next) {
            auto* item = SECRET_ITEM(node->data);
            SecretValue* value = secret_item_get_secret(item);
            if (!value)
                continue;
            gsize length = 0;
            const gchar* bytes = secret_value_get(value, &length);
            gchar* schemaName = secret_item_get_schema_name(item);
            if (length > 0)
                (g_strcmp0(schemaName, currentSchema) == 0 ? current : older)
                    .append(QByteArray(bytes, qsizetype(length)));
            g_free(schemaName);
            secret_value_unref(value);
        }
        return current + older;
    }

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

// KWallet's answer explains best why there is no password, unless the Secret Service
// failed where KWallet merely has none.
SafeStorageKey::Status statusOf(bool found, bool secretServiceFailed,
                                KWalletPasswords::Answer::Status kwallet)
{
    using KWallet = KWalletPasswords::Answer::Status;
    using Status = SafeStorageKey::Status;
    if (found)
        return Status::Found;
    switch (kwallet) {
    case KWallet::Refused:
        return Status::KWalletRefused;
    case KWallet::Unreachable:
        return Status::KWalletUnreachable;
    case KWallet::Missing:
        return secretServiceFailed ? Status::Unreachable : Status::MissingInKWallet;
    case KWallet::NoWallet:
    case KWallet::Found:
        break;
    }
    return secretServiceFailed ? Status::Unreachable : Status::Missing;
}

} // namespace

SafeStorageKey BrowserSafeStorage::lookup(const SafeStorageItem& item)
{
    SafeStorageKey key;
    bool unanswered = false;
    {
        PrivateSecretService service;
        unanswered = !service.isOpen();
        if (!unanswered && item.applications.isEmpty()) {
            const auto found = service.labelled(item.label);
            key.passwords = found.passwords;
            unanswered = found.failed || found.locked;
        }
        // The program's own name first; stop at the first that answers, and after a
        // refused prompt rather than prompting again.
        for (qsizetype i = 0;
             i < item.applications.size() && key.passwords.isEmpty() && !unanswered; ++i) {
            const auto found = service.secrets(item.applications.at(i).toUtf8());
            key.passwords = found.passwords;
            unanswered = found.failed || found.locked;
        }
    }
    // Chromium on a KDE desktop keeps its password in KWallet, whatever the Secret
    // Service holds from another desktop.
    KWalletPasswords::Answer kwallet;
    if (key.passwords.isEmpty() || KWalletPasswords::isKdeDesktop()) {
        kwallet = KWalletPasswords::lookup(item.kwalletNames, QDeadlineTimer(deadlineMs));
        key.passwords.append(kwallet.passwords);
    }
    key.status = statusOf(!key.passwords.isEmpty(), unanswered, kwallet.status);
    return key;
}
