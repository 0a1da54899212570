// A misbehaving server of our own for failure paths: listens on 127.0.0.1 (a free port) and
// runs a script for each connection, one connection at a time, on its own thread. The script
// talks with plain blocking calls; every line the client sent is recorded.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace ricorne::testing {

class FakeServer;

class FakeConnection {
public:
    // Sends raw bytes / a line plus CR LF. False once the client has gone.
    bool Send(const QByteArray& bytes);
    bool SendLine(const QByteArray& line) { return Send(line + "\r\n"); }
    // The next line without its line end; false when the client closed or timeoutMs passed.
    bool ReadLine(QByteArray* line, int timeoutMs = 10000);
    // The same with the line end exactly as sent ("\n", "\r\n").
    bool ReadRawLine(QByteArray* line, int timeoutMs = 10000);
    // Waits until the client closes (or timeoutMs passes). True when it closed.
    bool WaitClosed(int timeoutMs = 10000);
    void Close();
    // Drops the connection with a TCP reset instead of an orderly close.
    void Reset();

private:
    friend class FakeServer;
    FakeConnection(FakeServer* server, int fd) : server_(server), fd_(fd) {}
    FakeServer* server_;
    int fd_;
    QByteArray buffer_;
};

class FakeServer {
public:
    using Script = std::function<void(FakeConnection&)>;
    explicit FakeServer(Script script);
    ~FakeServer();

    quint16 Port() const { return port_; }
    QString Address() const { return QStringLiteral("127.0.0.1:") + QString::number(port_); }
    // "pop3://127.0.0.1:port" and the like: a fake server offers no TLS, so a test that logs
    // in with a password in the clear says so, as a user must.
    QString Url(const char* scheme) const {
        return QString::fromLatin1(scheme) + QStringLiteral("://") + Address();
    }
    int Connections() const { return connections_; }
    QList<QByteArray> Received() const; // every line the client sent, in order
    bool ReceivedLineStartingWith(const QByteArray& prefix) const;

private:
    friend class FakeConnection;
    void Run();
    void Record(const QByteArray& line);

    Script script_;
    int listenFd_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    QList<QByteArray> received_;
    std::thread thread_;
};

} // namespace ricorne::testing
