#include "services/libsecret_store.h"

#include "services/keychain_service.h"

#include <libsecret/secret.h>

namespace {

constexpr guint callTimeoutMs = 10'000;
// Longer: a store may wait on an unlock prompt that the user answers.
constexpr guint storeTimeoutMs = 30'000;
constexpr const char* itemLabel = "Gaugery session cookie";

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

struct Attributes {
    GHashTable* table = build();
    ~Attributes() { g_hash_table_unref(table); }

    static GHashTable* build()
    {
        static const QByteArray service = KeychainService::serviceName.toUtf8();
        static const QByteArray account = KeychainService::accountName.toUtf8();
        return secret_attributes_build(schema(), "service", service.constData(), "account",
                                       account.constData(), nullptr);
    }
};

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

    // Once cancelled, libsecret still completes the call, so this loop ends.
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

// True when the call reported no error; the error is freed either way.
bool succeeded(GError* error)
{
    const bool ok = error == nullptr;
    g_clear_error(&error);
    return ok;
}

QByteArray bytesOf(SecretValue* value)
{
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    return QByteArray(bytes, qsizetype(length));
}

bool holds(SecretItem* item, const QByteArray& secret)
{
    SecretValue* value = secret_item_get_secret(item);
    if (!value)
        return false;
    const bool same = bytesOf(value) == secret;
    secret_value_unref(value);
    return same;
}

bool hasOurLabel(SecretItem* item)
{
    gchar* label = secret_item_get_label(item);
    const bool ours = g_strcmp0(label, itemLabel) == 0;
    g_free(label);
    return ours;
}

// The item to keep: one holding the new secret, preferably the one just stored (ours
// by its label) over an equal copy another client keeps, say, in the session collection.
SecretItem* keeper(GList* items, const QByteArray& secret)
{
    SecretItem* found = nullptr;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (!holds(item, secret))
            continue;
        if (hasOurLabel(item))
            return item;
        if (!found)
            found = item;
    }
    return found;
}

bool deleteItem(SecretItem* item)
{
    BoundedCall call(callTimeoutMs);
    secret_item_delete(item, call.cancellable(), call.callback(), call.userData());
    GError* error = nullptr;
    const bool deleted = secret_item_delete_finish(item, call.result(), &error);
    return succeeded(error) && deleted;
}

// Every item matching the two attributes, in any collection; locked ones are unlocked
// (which may prompt) so that they can be deleted too.
std::optional<GList*> searchAll(SecretSearchFlags extraFlags)
{
    Attributes attributes;
    BoundedCall call(callTimeoutMs);
    const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | extraFlags);
    secret_service_search(nullptr, schema(), attributes.table, flags, call.cancellable(),
                          call.callback(), call.userData());
    GError* error = nullptr;
    GList* items = secret_service_search_finish(nullptr, call.result(), &error);
    if (!succeeded(error)) {
        g_list_free_full(items, g_object_unref);
        return std::nullopt;
    }
    return items;
}

// Deletes every item but `kept`, and frees the list.
bool deleteAllBut(GList* items, SecretItem* kept)
{
    bool allDeleted = true;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (item != kept && !deleteItem(item))
            allDeleted = false;
    }
    g_list_free_full(items, g_object_unref);
    return allDeleted;
}

// Other clients may have left items with the same two attributes (with more attributes,
// or in another collection), and a lookup could return any of them. Once the new secret
// is stored, keep one item holding it and delete the rest.
bool removeOtherItems(const QByteArray& secret)
{
    const std::optional<GList*> items = searchAll(SECRET_SEARCH_LOAD_SECRETS);
    if (!items)
        return false;
    SecretItem* kept = keeper(*items, secret);
    return deleteAllBut(*items, kept) && kept;
}

bool storeItem(const QByteArray& secret)
{
    Attributes attributes;
    BoundedCall call(storeTimeoutMs);
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    secret_password_storev_binary(schema(), attributes.table, SECRET_COLLECTION_DEFAULT, itemLabel,
                                  value, call.cancellable(), call.callback(), call.userData());
    secret_value_unref(value);
    GError* error = nullptr;
    const bool stored = secret_password_store_finish(call.result(), &error);
    return succeeded(error) && stored;
}

} // namespace

bool LibsecretStore::store(const QByteArray& secret)
{
    // The Secret Service replaces an item with the same attributes in one step, so a
    // refused store leaves the earlier secret where it was; strays go only afterwards.
    return storeItem(secret) && removeOtherItems(secret);
}

std::optional<QByteArray> LibsecretStore::lookup()
{
    Attributes attributes;
    BoundedCall call(callTimeoutMs);
    secret_password_lookupv(schema(), attributes.table, call.cancellable(), call.callback(),
                            call.userData());
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_finish(call.result(), &error);
    if (!succeeded(error) || !value) {
        if (value)
            secret_value_unref(value);
        return std::nullopt;
    }
    const QByteArray secret = bytesOf(value);
    secret_value_unref(value);
    return secret;
}

bool LibsecretStore::clear()
{
    // Not secret_password_clear: it skips locked items and still reports success, so a
    // cookie in a locked keyring would survive a sign-out that claimed to remove it.
    const std::optional<GList*> items = searchAll(SECRET_SEARCH_NONE);
    return items && deleteAllBut(*items, nullptr);
}
