#include "services/fetch/bounded_get.h"

#include <QNetworkReply>

#include <memory>

namespace BoundedGet {

void send(QNetworkAccessManager& network, const QNetworkRequest& request, QObject* context,
          std::function<void(const ReplyFacts&)> done)
{
    QNetworkReply* reply = network.get(request);

    struct Transfer {
        QByteArray body;
        bool tooLarge = false;
    };
    auto transfer = std::make_shared<Transfer>();
    const auto abandonIfTooLarge = [reply, transfer](qint64 size) {
        if (size <= maxBodyBytes || transfer->tooLarge)
            return;
        transfer->tooLarge = true;
        transfer->body.clear();
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, context, [reply, abandonIfTooLarge] {
        abandonIfTooLarge(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    QObject::connect(reply, &QNetworkReply::readyRead, context,
                     [reply, transfer, abandonIfTooLarge] {
                         if (transfer->tooLarge)
                             return;
                         transfer->body += reply->readAll();
                         abandonIfTooLarge(transfer->body.size());
                     });
    QObject::connect(reply, &QNetworkReply::finished, context,
                     [reply, transfer, done = std::move(done)] {
                         reply->deleteLater();
                         if (!transfer->tooLarge)
                             transfer->body += reply->readAll();
                         done(readReplyFacts(*reply, transfer->tooLarge, transfer->body));
                     });
}

} // namespace BoundedGet
