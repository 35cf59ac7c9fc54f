#pragma once

#include "services/fetch/reply_classifier.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QObject>

#include <functional>

namespace BoundedGet {

// Bodies beyond this are abandoned, so a misbehaving server cannot fill memory.
inline constexpr qint64 maxBodyBytes = 4 * 1024 * 1024;

// Sends a GET; `done` gets what the reply said, on context's thread, unless context is
// gone by then.
void send(QNetworkAccessManager& network, const QNetworkRequest& request, QObject* context,
          std::function<void(const ReplyFacts&)> done);

} // namespace BoundedGet
