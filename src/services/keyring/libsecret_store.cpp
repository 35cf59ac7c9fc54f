#include "services/keyring/libsecret_store.h"

#include "build_config.h"
#include "services/keyring/bounded_call.h"
#include "services/keyring/keyring_loop.h"
#include "services/keyring/keyring_service.h"

#include <libsecret/secret.h>

namespace {

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

using Item = LibsecretStore::Item;

struct Attributes {
    explicit Attributes(const Item& item) : table(build(item)) {}
    ~Attributes() { g_hash_table_unref(table); }

    static GHashTable* build(const Item& item)
    {
        static const QByteArray service = KeyringService::serviceName.toUtf8();
        return secret_attributes_build(schema(), "service", service.constData(), "account",
                                       item.account.constData(), nullptr);
    }

    GHashTable* table;
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

bool hasOurLabel(SecretItem* item, const Item& ours)
{
    gchar* label = secret_item_get_label(item);
    const bool same = g_strcmp0(label, ours.label.constData()) == 0;
    g_free(label);
    return same;
}

// The item to keep: one holding the new secret, preferably the one just stored (ours
// by its label) over an equal copy another client keeps, say, in the session collection.
SecretItem* keeper(GList* items, const QByteArray& secret, const Item& ours)
{
    SecretItem* found = nullptr;
    for (GList* node = items; node; node = node->next) {
        auto* item = SECRET_ITEM(node->data);
        if (!holds(item, secret))
            continue;
        if (hasOurLabel(item, ours))
            return item;
        if (!found)
            found = item;
    }
    return found;
}

bool deleteItem(SecretItem* item)
{
    BoundedCall call(LibsecretStore::callTimeoutMs);
    secret_item_delete(item, call.cancellable(), call.callback(), call.userData());
    GError* error = nullptr;
    const bool deleted = secret_item_delete_finish(item, call.result(), &error);
    return succeeded(error) && deleted;
}

// Every item matching the two attributes, in any collection; nothing on an error.
std::optional<GList*> searchAll(const Item& item, SecretSearchFlags flags)
{
    Attributes attributes(item);
    BoundedCall call(LibsecretStore::callTimeoutMs);
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
void removeOtherItems(const Item& ours, const QByteArray& secret)
{
    const std::optional<GList*> found = searchAll(ours, SECRET_SEARCH_LOAD_SECRETS);
    if (!found)
        return;
    ItemList list{*found};
    if (SecretItem* kept = keeper(list.items, secret, ours))
        deleteAllBut(list.items, kept);
}

bool storeItem(const Item& item, const QByteArray& secret)
{
    Attributes attributes(item);
    BoundedCall call(LibsecretStore::callTimeoutMs);
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "text/plain");
    secret_password_storev_binary(schema(), attributes.table, SECRET_COLLECTION_DEFAULT,
                                  item.label.constData(), value, call.cancellable(),
                                  call.callback(), call.userData());
    secret_value_unref(value);
    GError* error = nullptr;
    const bool stored = secret_password_store_finish(call.result(), &error);
    return succeeded(error) && stored;
}

// The secret of an unlocked item, ours preferred; nothing while every match is locked.
std::optional<QByteArray> readable(GList* items, const Item& ours)
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
        if (hasOurLabel(item, ours))
            return bytes;
        if (!found)
            found = bytes;
    }
    return found;
}

SecretLookup lookupItem(const Item& ours)
{
    // First without unlocking, so a missing item never prompts; then, for locked ones,
    // with the unlock prompt, which the user may answer or dismiss.
    for (const SecretSearchFlags unlock : {SECRET_SEARCH_NONE, SECRET_SEARCH_UNLOCK}) {
        const std::optional<GList*> found =
            searchAll(ours, SecretSearchFlags(SECRET_SEARCH_LOAD_SECRETS | unlock));
        if (!found)
            return {unlock ? SecretState::locked : SecretState::unreachable, {}};
        ItemList list{*found};
        if (!list.items)
            return {SecretState::absent, {}};
        if (const std::optional<QByteArray> secret = readable(list.items, ours))
            return {SecretState::found, *secret};
    }
    return {SecretState::locked, {}};
}

// What is left after a removal that did not go through, asked without an unlock prompt:
// the user has just refused or missed one.
SecretState leftOver(const Item& ours)
{
    const std::optional<GList*> found = searchAll(ours, SECRET_SEARCH_NONE);
    if (!found)
        return SecretState::unreachable;
    ItemList list{*found};
    for (GList* node = list.items; node; node = node->next) {
        if (secret_item_get_locked(SECRET_ITEM(node->data)))
            return SecretState::locked;
    }
    return list.items ? SecretState::unreachable : SecretState::absent;
}

SecretState clearItems(const Item& ours)
{
    // Unlocking first: deleting skips nothing, so a cookie in a locked keyring does not
    // survive a sign-out that claimed to remove it.
    const std::optional<GList*> found = searchAll(ours, SECRET_SEARCH_UNLOCK);
    if (!found)
        return leftOver(ours);
    ItemList list{*found};
    return deleteAllBut(list.items, nullptr) ? SecretState::absent : leftOver(ours);
}

} // namespace

LibsecretStore::LibsecretStore(Item item) : m_item(std::move(item)) {}

bool LibsecretStore::store(const QByteArray& secret)
{
    // The Secret Service replaces an item with the same attributes in one step, so a
    // refused store leaves the earlier secret where it was; strays go only afterwards, and
    // one that cannot go (locked, in another collection) does not undo a stored cookie.
    return KeyringLoop::instance().run<bool>([item = m_item, secret] {
        if (!storeItem(item, secret))
            return false;
        removeOtherItems(item, secret);
        return true;
    });
}

SecretLookup LibsecretStore::lookup()
{
    return KeyringLoop::instance().run<SecretLookup>([item = m_item] { return lookupItem(item); });
}

SecretState LibsecretStore::clear()
{
    return KeyringLoop::instance().run<SecretState>([item = m_item] { return clearItems(item); });
}
