#pragma once

#include "services/keyring/keyring_loop.h"

#include <gio/gio.h>

// One asynchronous libsecret call on the keyring thread, run to its end and cancelled at
// a deadline: the _sync calls have none, so a prompt nobody answers would block forever.
class BoundedCall {
public:
    explicit BoundedCall(int timeoutMs)
        : m_cancellable(g_cancellable_new()), m_timeout(g_timeout_source_new(timeoutMs))
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
