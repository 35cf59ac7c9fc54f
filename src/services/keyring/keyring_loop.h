#pragma once

#include <gio/gio.h>

#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <thread>

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
