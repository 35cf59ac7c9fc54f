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
