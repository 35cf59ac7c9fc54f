#include "services/keyring/libsecret_store.h"

#include "build_config.h"
#include "services/keyring/keyring_service.h"

#include <libsecret/secret.h>

#include <deque>
#include <functional>
#include <future>
#include <thread>

namespace {

constexpr const char* itemLabel = "Gaugery session cookie";

const SecretSchema* schema()
{
    // Attributes only: an item stored by secret-tool (which records no schema) matches too.
    static const SecretSchema instance = [] {
        SecretSchema s{};
        s.name = BuildConfig::appId;
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
        static const QByteArray service = KeyringService::serviceName.toUtf8();
        static const QByteArray account = KeyringService::accountName.toUtf8();
        return secret_attributes_build(schema(), "service", service.constData(), "account",
                                       account.constData(), nullptr);
    }
};

// The thread every libsecret call runs on, with its main context running for good.
// Jobs run one at a time: one that waits for its call iterates the context itself, which
// may dispatch the next job's invocation; that one is held until the first is done.
class KeyringLoop {
public:
    static KeyringLoop& instance()
    {
        // Never destroyed: the thread runs until the process ends.
        static KeyringLoop* loop = new KeyringLoop;
        return *loop;
    }

    GMainContext* context() const { return m_context; }

    // Runs job on the keyring thread and waits for it.
    template <typename Result> Result run(std::function<Result()> job)
    {
        auto promise = std::make_shared<std::promise<Result>>();
        std::future<Result> future = promise->get_future();
        post([promise, job = std::move(job)] { promise->set_value(job()); });
        return future.get();
    }

private:
    KeyringLoop() : m_context(g_main_context_new())
    {
        std::thread([context = m_context] {
            g_main_context_push_thread_default(context);
            GMainLoop* loop = g_main_loop_new(context, FALSE);
            g_main_loop_run(loop);
        }).detach();
    }

    void post(std::function<void()> job)
    {
        auto* posted = new Posted{this, std::move(job)};
        g_main_context_invoke_full(
            m_context, G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                auto* posted = static_cast<Posted*>(data);
                posted->loop->dispatch(std::move(posted->job));
                return G_SOURCE_REMOVE;
            },
            posted, [](gpointer data) { delete static_cast<Posted*>(data); });
    }

    // On the keyring thread only.
    void dispatch(std::function<void()> job)
    {
        m_waiting.push_back(std::move(job));
        if (m_busy)
            return;
        m_busy = true;
        while (!m_waiting.empty()) {
            std::function<void()> next = std::move(m_waiting.front());
            m_waiting.pop_front();
            next();
        }
        m_busy = false;
    }

    struct Posted {
        KeyringLoop* loop;
        std::function<void()> job;
    };

    GMainContext* m_context;
    bool m_busy = false;
    std::deque<std::function<void()>> m_waiting;
};

// One asynchronous libsecret call on the keyring thread, run to its end and cancelled at
// a deadline: the _sync calls have none, so a prompt nobody answers would block forever.
class BoundedCall {
public:
    BoundedCall()
        : m_cancellable(g_cancellable_new()),
          m_timeout(g_timeout_source_new(LibsecretStore::callTimeoutMs))
    {
        g_source_set_callback(
            m_timeout,
            [](gpointer cancellable) -> gboolean {
                g_cancellable_cancel(G_CANCELLABLE(cancellable));
                return G_SOURCE_REMOVE;
            },
            m_cancellable, nullptr);
        g_source_attach(m_timeout, KeyringLoop::instance().context());
    }

    ~BoundedCall()
    {
        if (m_result)
            g_object_unref(m_result);
        g_source_destroy(m_timeout);
        g_source_unref(m_timeout);
        g_object_unref(m_cancellable);
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
            g_main_context_iteration(KeyringLoop::instance().context(), TRUE);
        return m_result;
    }

private:
    static void onReady(GObject*, GAsyncResult* result, gpointer self)
    {
        static_cast<BoundedCall*>(self)->m_result = G_ASYNC_RESULT(g_object_ref(result));
    }

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
    BoundedCall call;
    secret_item_delete(item, call.cancellable(), call.callback(), call.userData());
    GError* error = nullptr;
    const bool deleted = secret_item_delete_finish(item, call.result(), &error);
    return succeeded(error) && deleted;
}

// Every item matching the two attributes, in any collection; nothing on an error.
std::optional<GList*> searchAll(SecretSearchFlags flags)
{
    Attributes attributes;
    BoundedCall call;
    secret_service_search(nullptr, schema(), attributes.table,
                          SecretSearchFlags(SECRET_SEARCH_ALL | flags), call.cancellable(),
                          call.callback(), call.userData());
    GError* error = nullptr;
    GList* items = secret_service_search_finish(nullptr, call.result(), &error);
    if (!succeeded(error)) {
        g_list_free_full(items, g_object_unref);
        return std::nullopt;
    }
    return items;
}

struct ItemList {
    GList* items = nullptr;
    ~ItemList() { g_list_free_full(items, g_object_unref); }
};

// Deletes every item but `kept`; true when all of them went.
bool deleteAllBut(GList* items, SecretItem* kept)
{
    bool allDeleted = true;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (item != kept && !deleteItem(item))
            allDeleted = false;
    }
    return allDeleted;
}

// Other clients may have left items with the same two attributes (with more attributes,
// or in another collection), and a lookup could return any of them. Once the new secret
// is stored, keep one item holding it and delete the rest that can be deleted. Without
// the stored item among the matches nothing is deleted: a cookie is never lost.
void removeOtherItems(const QByteArray& secret)
{
    const std::optional<GList*> found = searchAll(SECRET_SEARCH_LOAD_SECRETS);
    if (!found)
        return;
    ItemList list{*found};
    if (SecretItem* kept = keeper(list.items, secret))
        deleteAllBut(list.items, kept);
}

bool storeItem(const QByteArray& secret)
{
    Attributes attributes;
    BoundedCall call;
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    secret_password_storev_binary(schema(), attributes.table, SECRET_COLLECTION_DEFAULT, itemLabel,
                                  value, call.cancellable(), call.callback(), call.userData());
    secret_value_unref(value);
    GError* error = nullptr;
    const bool stored = secret_password_store_finish(call.result(), &error);
    return succeeded(error) && stored;
}

// The secret of an unlocked item, ours preferred; nothing while every match is locked.
std::optional<QByteArray> readable(GList* items)
{
    std::optional<QByteArray> found;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (secret_item_get_locked(item))
            continue;
        SecretValue* value = secret_item_get_secret(item);
        if (!value)
            continue;
        const QByteArray bytes = bytesOf(value);
        secret_value_unref(value);
        if (hasOurLabel(item))
            return bytes;
        if (!found)
            found = bytes;
    }
    return found;
}

SecretLookup lookupItem()
{
    // First without unlocking, so a missing item never prompts; then, for locked ones,
    // with the unlock prompt, which the user may answer or dismiss.
    for (const SecretSearchFlags unlock : {SECRET_SEARCH_NONE, SECRET_SEARCH_UNLOCK}) {
        const std::optional<GList*> found =
            searchAll(SecretSearchFlags(SECRET_SEARCH_LOAD_SECRETS | unlock));
        if (!found)
            return {unlock ? SecretState::locked : SecretState::unreachable, {}};
        ItemList list{*found};
        if (!list.items)
            return {SecretState::absent, {}};
        if (const std::optional<QByteArray> secret = readable(list.items))
            return {SecretState::found, *secret};
    }
    return {SecretState::locked, {}};
}

// What is left after a removal that did not go through, asked without an unlock prompt:
// the user has just refused or missed one.
SecretState leftOver()
{
    const std::optional<GList*> found = searchAll(SECRET_SEARCH_NONE);
    if (!found)
        return SecretState::unreachable;
    ItemList list{*found};
    for (GList* node = list.items; node; node = node->next) {
        if (secret_item_get_locked(SECRET_ITEM(node->data)))
            return SecretState::locked;
    }
    return list.items ? SecretState::unreachable : SecretState::absent;
}

SecretState clearItems()
{
    // Unlocking first: deleting skips nothing, so a cookie in a locked keyring does not
    // survive a sign-out that claimed to remove it.
    const std::optional<GList*> found = searchAll(SECRET_SEARCH_UNLOCK);
    if (!found)
        return leftOver();
    ItemList list{*found};
    return deleteAllBut(list.items, nullptr) ? SecretState::absent : leftOver();
}

} // namespace

bool LibsecretStore::store(const QByteArray& secret)
{
    // The Secret Service replaces an item with the same attributes in one step, so a
    // refused store leaves the earlier secret where it was; strays go only afterwards, and
    // one that cannot go (locked, in another collection) does not undo a stored cookie.
    return KeyringLoop::instance().run<bool>([secret] {
        if (!storeItem(secret))
            return false;
        removeOtherItems(secret);
        return true;
    });
}

SecretLookup LibsecretStore::lookup()
{
    return KeyringLoop::instance().run<SecretLookup>(lookupItem);
}

SecretState LibsecretStore::clear()
{
    return KeyringLoop::instance().run<SecretState>(clearItems);
}
