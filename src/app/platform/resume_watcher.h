#pragma once

#include <QDBusConnection>
#include <QObject>

// Tells when the system wakes from suspend, from logind's PrepareForSleep(false) on the
// system bus. Without logind (or a system bus) it simply never fires.
class ResumeWatcher : public QObject {
    Q_OBJECT

public:
    explicit ResumeWatcher(const QDBusConnection& bus = QDBusConnection::systemBus(),
                           QObject* parent = nullptr);

Q_SIGNALS:
    void resumed();

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);
};
