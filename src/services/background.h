#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <utility>

// The one way work leaves the GUI thread and comes back: results are applied on the GUI
// thread on a later turn of its loop, and not at all once their context is gone.
namespace Background {

// Calls `apply` on the GUI thread on a later turn, unless `context` is gone by then.
template <typename Apply> void later(QObject* context, Apply apply)
{
    // The application object is the target because the context may be gone by then.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard = QPointer<QObject>(context), apply = std::move(apply)]() mutable {
            if (guard)
                apply();
        },
        Qt::QueuedConnection);
}

// Runs `work` on `pool` (the global one when none is given) and hands its result to
// `apply`, as later() does.
template <typename Work, typename Apply>
void run(QObject* context, Work work, Apply apply, QThreadPool* pool = nullptr)
{
    QPointer<QObject> guard(context);
    (pool ? pool : QThreadPool::globalInstance())
        ->start([guard, work = std::move(work), apply = std::move(apply)]() mutable {
            later(guard, [apply = std::move(apply), result = work()]() mutable {
                apply(std::move(result));
            });
        });
}

} // namespace Background
