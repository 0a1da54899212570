// A relay between the client and a real POP3 server on 127.0.0.1 that cuts the line once, at a
// chosen line in either direction, as a network failure would. It hides the server's STLS
// capability so the session stays readable to it. One connection at a time.
#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

namespace ricorne::testing {

class CuttingRelay {
public:
    using LineTest = std::function<bool(const QByteArray& line)>; // line without CR LF

    // Cuts before forwarding the first client line for which cutOnClient holds, or the first
    // server line for which cutOnServer holds (either may be empty). After the cut it relays.
    CuttingRelay(quint16 upstreamPort, LineTest cutOnClient, LineTest cutOnServer);
    ~CuttingRelay();

    QString Address() const { return QStringLiteral("127.0.0.1:") + QString::number(port_); }
    bool HasCut() const { return cut_; }

private:
    void Run();
    void Relay(int client);

    quint16 upstreamPort_;
    LineTest cutOnClient_, cutOnServer_;
    int listenFd_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> cut_{false};
    std::thread thread_;
};

} // namespace ricorne::testing
