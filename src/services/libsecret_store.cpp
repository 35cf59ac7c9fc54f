#include "services/libsecret_store.h"

#include "services/keychain_service.h"

#include <libsecret/secret.h>

namespace {

constexpr guint lookupTimeoutMs = 10'000;
constexpr guint storeTimeoutMs = 30'000;

const SecretSchema* schema()
{
    // Attributes only: an item stored by secret-tool (which records no schema) matches too.
    static const SecretSchema instance = [] {
        SecretSchema s{};
        s.name = "com.gaugery.app";
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &instance;
}

GHashTable* itemAttributes()
{
    static const QByteArray service = KeychainService::serviceName.toUtf8();
    static const QByteArray account = KeychainService::accountName.toUtf8();
    return secret_attributes_build(schema(), "service", service.constData(), "account",
                                   account.constData(), nullptr);
}

// Runs one asynchronous libsecret call to its end on a private main context, cancelled
// at a deadline: the _sync calls do the same without a deadline, so a prompt nobody
// answers or a stuck provider would block forever.
class BoundedCall {
public:
    explicit BoundedCall(guint timeoutMs)
        : m_context(g_main_context_new()), m_cancellable(g_cancellable_new()),
          m_timeout(g_timeout_source_new(timeoutMs))
    {
        g_main_context_push_thread_default(m_context);
        g_source_set_callback(
            m_timeout,
            [](gpointer cancellable) -> gboolean {
                g_cancellable_cancel(G_CANCELLABLE(cancellable));
                return G_SOURCE_REMOVE;
            },
            m_cancellable, nullptr);
        g_source_attach(m_timeout, m_context);
    }

    ~BoundedCall()
    {
        if (m_result)
            g_object_unref(m_result);
        g_source_destroy(m_timeout);
        g_source_unref(m_timeout);
        g_object_unref(m_cancellable);
        g_main_context_pop_thread_default(m_context);
        g_main_context_unref(m_context);
    }

    BoundedCall(const BoundedCall&) = delete;
    BoundedCall& operator=(const BoundedCall&) = delete;

    GCancellable* cancellable() const { return m_cancellable; }
    static GAsyncReadyCallback callback() { return &BoundedCall::onReady; }
    gpointer userData() { return this; }

    GAsyncResult* result()
    {
        while (!m_result)
            g_main_context_iteration(m_context, TRUE);
        return m_result;
    }

private:
    static void onReady(GObject*, GAsyncResult* result, gpointer self)
    {
        static_cast<BoundedCall*>(self)->m_result = G_ASYNC_RESULT(g_object_ref(result));
    }

    GMainContext* m_context;
    GCancellable* m_cancellable;
    GSource* m_timeout;
    GAsyncResult* m_result = nullptr;
};

struct Attributes {
    GHashTable* table = itemAttributes();
    ~Attributes() { g_hash_table_unref(table); }
};

bool sameSecret(SecretValue* value, const QByteArray& secret)
{
    if (!value)
        return false;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    return QByteArray::fromRawData(bytes, qsizetype(length)) == secret;
}

bool deleteItem(SecretItem* item)
{
    BoundedCall call(lookupTimeoutMs);
    secret_item_delete(item, call.cancellable(), call.callback(), call.userData());
    GError* error = nullptr;
    const bool deleted = secret_item_delete_finish(item, call.result(), &error);
    g_clear_error(&error);
    return deleted;
}

// Other clients may have left items with the same two attributes (with more attributes,
// or in another collection), and a lookup could return any of them. Once the new secret
// is stored, keep one item holding it and delete the rest.
bool removeOtherItems(const QByteArray& secret)
{
    Attributes attributes;
    BoundedCall call(lookupTimeoutMs);
    const auto flags =
        SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS);
    secret_service_search(nullptr, schema(), attributes.table, flags, call.cancellable(),
                          call.callback(), call.userData());
    GError* error = nullptr;
    GList* items = secret_service_search_finish(nullptr, call.result(), &error);
    if (error) {
        g_error_free(error);
        return false;
    }
    bool kept = false;
    bool allRemoved = true;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        SecretValue* value = secret_item_get_secret(item);
        const bool holdsNewSecret = sameSecret(value, secret);
        if (value)
            secret_value_unref(value);
        if (holdsNewSecret && !kept)
            kept = true;
        else if (!deleteItem(item))
            allRemoved = false;
    }
    g_list_free_full(items, g_object_unref);
    return kept && allRemoved;
}

} // namespace

bool LibsecretStore::store(const QByteArray& secret)
{
    {
        Attributes attributes;
        BoundedCall call(storeTimeoutMs);
        // The Secret Service replaces an item with the same attributes in one step, so
        // a refused store leaves the earlier secret where it was.
        SecretValue* value = secret_value_new(secret.isNull() ? "" : secret.constData(),
                                              secret.size(), "text/plain");
        secret_password_storev_binary(schema(), attributes.table, SECRET_COLLECTION_DEFAULT,
                                      "Gaugery session cookie", value, call.cancellable(),
                                      call.callback(), call.userData());
        secret_value_unref(value);
        GError* error = nullptr;
        const bool stored = secret_password_store_finish(call.result(), &error);
        g_clear_error(&error);
        if (!stored)
            return false;
    }
    return removeOtherItems(secret);
}

std::optional<QByteArray> LibsecretStore::lookup()
{
    Attributes attributes;
    BoundedCall call(lookupTimeoutMs);
    secret_password_lookupv(schema(), attributes.table, call.cancellable(), call.callback(),
                            call.userData());
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_finish(call.result(), &error);
    g_clear_error(&error);
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    QByteArray secret(bytes, qsizetype(length));
    secret_value_unref(value);
    return secret;
}

bool LibsecretStore::clear()
{
    Attributes attributes;
    BoundedCall call(lookupTimeoutMs);
    secret_password_clearv(schema(), attributes.table, call.cancellable(), call.callback(),
                           call.userData());
    GError* error = nullptr;
    secret_password_clear_finish(call.result(), &error);
    // FALSE without an error means nothing matched: the cookie is gone all the same.
    const bool failed = error != nullptr;
    g_clear_error(&error);
    return !failed;
}
