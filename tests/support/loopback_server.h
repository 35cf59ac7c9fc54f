#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One scripted answer of the loopback server.
struct ScriptedResponse {
    int status = 200;
    HeaderList headers;
    QByteArray body;
    int delayMs = 0;
    // Close the connection without answering.
    bool drop = false;
    // Close the connection after the headers and half of the body.
    bool dropMidBody = false;
    // Send the body until the connection closes, with no Content-Length.
    bool omitContentLength = false;
};

struct RecordedRequest {
    QByteArray method;
    QByteArray path;
    HeaderList headers;

    QByteArray header(const QByteArray& name) const;
};

// A small HTTP/1.1 server on 127.0.0.1 that answers each path as scripted and records
// every request it receives, so tests see exactly what left the program. Like the real
// endpoint, it answers the OAuth usage path with a 429 and "Retry-After: 0" to any client
// that does not identify as Claude Code.
class LoopbackServer : public QObject {
    Q_OBJECT

public:
    explicit LoopbackServer(QObject* parent = nullptr);
    // On a fixed port, for a program built to talk to that origin.
    explicit LoopbackServer(quint16 port, QObject* parent = nullptr);

    bool isListening() const;

    QUrl origin() const;
    // Every request to `path` gets this answer until it is replaced.
    void on(const QByteArray& path, const ScriptedResponse& response);
    // Requests to `path` whose Cookie header holds `cookie` get this answer instead: one
    // server for several accounts.
    void on(const QByteArray& path, const QByteArray& cookie, const ScriptedResponse& response);
    const QList<RecordedRequest>& requests() const { return m_requests; }
    QList<QByteArray> requestedPaths() const;
    void clearRequests() { m_requests.clear(); }

Q_SIGNALS:
    void requestReceived(const RecordedRequest& request);

private:
    void onNewConnection();
    void serve(class QTcpSocket* socket, QByteArray& buffer);
    void answer(QTcpSocket* socket, const ScriptedResponse& response);

    QTcpServer m_server;
    QHash<QByteArray, ScriptedResponse> m_responses;
    QHash<QByteArray, QList<QPair<QByteArray, ScriptedResponse>>> m_cookieResponses;
    QList<RecordedRequest> m_requests;
};

// Canned bodies shaped like the service's answers.
namespace ServiceBodies {
inline const QByteArray oauthUsagePath = "/api/oauth/usage";
QByteArray organizations(const QByteArray& uuid = "org-1234");
QByteArray usage();
ScriptedResponse json(const QByteArray& body, int status = 200);
// A 429 as the endpoints send it.
ScriptedResponse rateLimited(const QByteArray& retryAfter = "0");
} // namespace ServiceBodies
