#include "loopback_server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

QByteArray RecordedRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

LoopbackServer::LoopbackServer(QObject* parent) : LoopbackServer(0, parent) {}

LoopbackServer::LoopbackServer(quint16 port, QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, port);
}

bool LoopbackServer::isListening() const
{
    return m_server.isListening();
}

QUrl LoopbackServer::origin() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

void LoopbackServer::on(const QByteArray& path, const ScriptedResponse& response)
{
    m_responses.insert(path, response);
}

void LoopbackServer::on(const QByteArray& path, const QByteArray& cookie,
                        const ScriptedResponse& response)
{
    m_cookieResponses[path].append({cookie, response});
}

QList<QByteArray> LoopbackServer::requestedPaths() const
{
    QList<QByteArray> paths;
    for (const auto& request : m_requests)
        paths.append(request.path);
    return paths;
}

void LoopbackServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            serve(socket, *buffer);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LoopbackServer::serve(QTcpSocket* socket, QByteArray& buffer)
{
    for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        RecordedRequest request;
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append({lines[i].left(colon), lines[i].mid(colon + 1).trimmed()});
        }
        m_requests.append(request);
        Q_EMIT requestReceived(request);
        ScriptedResponse response = m_responses.value(request.path, {404, {}, "not found"});
        for (const auto& [cookie, scripted] : m_cookieResponses.value(request.path)) {
            if (request.header("Cookie").contains(cookie))
                response = scripted;
        }
        // As the real endpoint: any client but Claude Code is refused, every time.
        if (request.path == ServiceBodies::oauthUsagePath &&
            !request.header("User-Agent").startsWith("claude-code/"))
            response = ServiceBodies::rateLimited();
        answer(socket, response);
    }
}

void LoopbackServer::answer(QTcpSocket* socket, const ScriptedResponse& response)
{
    QPointer<QTcpSocket> guard(socket);
    const auto send = [guard, response] {
        if (!guard)
            return;
        if (response.drop) {
            guard->abort();
            return;
        }
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Scripted\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        if (response.omitContentLength)
            head += "Connection: close\r\n";
        else
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        guard->write(head + "\r\n");
        if (response.dropMidBody) {
            guard->write(response.body.left(response.body.size() / 2));
            guard->flush();
            guard->abort();
            return;
        }
        guard->write(response.body);
        if (response.omitContentLength)
            guard->disconnectFromHost();
    };
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, send);
    else
        send();
}

namespace ServiceBodies {

QByteArray organizations(const QByteArray& uuid)
{
    return R"([{"uuid":")" + uuid + R"(","name":"Test organization","capabilities":["chat"]}])";
}

QByteArray usage()
{
    return R"({
  "five_hour": {"utilization": 42.0, "resets_at": "2026-02-09T12:00:00.462679+00:00"},
  "seven_day": {"utilization": 67.5, "resets_at": "2026-02-12T08:00:00.123456+00:00"},
  "seven_day_oauth_apps": null,
  "seven_day_opus": null,
  "seven_day_sonnet": {"utilization": 5, "resets_at": "2026-02-12T08:00:00+00:00"},
  "extra_usage": {"is_enabled": false, "monthly_limit": null}
})";
}

ScriptedResponse rateLimited(const QByteArray& retryAfter)
{
    ScriptedResponse response = json(
        R"({"type":"error","error":{"type":"rate_limit_error","message":"Rate limited. Please try again later."}})",
        429);
    response.headers.append({"Retry-After", retryAfter});
    return response;
}

ScriptedResponse json(const QByteArray& body, int status)
{
    return ScriptedResponse{status, {{"Content-Type", "application/json"}}, body};
}

} // namespace ServiceBodies
