#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ricorne::fuzz {

ScriptedPeer::ScriptedPeer(QByteArray script) : script_(std::move(script)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

void ScriptedPeer::Serve() {
    // A client that never connects (a bad address in the script) must not hold us forever.
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 5000) != 1)
        return;
    const int peer = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0)
        return;
    const QList<QByteArray> replies = script_.split(kReplySeparator);
    qsizetype next = 0;
    bool open = true;
    auto sendNext = [&] {
        if (!open)
            return;
        if (next == replies.size()) {
            // Nothing left to say: end our side as a server that drops the line would. Only
            // half-close, so what the client has not read yet still reaches it.
            ::shutdown(peer, SHUT_WR);
            open = false;
            return;
        }
        const QByteArray& reply = replies[next++];
        for (qsizetype sent = 0; sent < reply.size();) {
            const ssize_t n =
                ::send(peer, reply.constData() + sent, size_t(reply.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) {
                open = false;
                return;
            }
            sent += n;
        }
    };
    sendNext(); // the greeting
    char buffer[4096];
    int silences = 0;
    for (;;) {
        pollfd fd{peer, POLLIN, 0};
        const int ready = ::poll(&fd, 1, open ? 10 : 5000);
        if (ready < 0)
            break;
        if (ready == 0) {
            if (!open)
                break;
            // The client waits for more of a reply (a block without its end): go on talking,
            // and after a while say all the rest, so no script keeps the client in its timeout.
            if (++silences < 20) {
                sendNext();
            } else {
                while (open)
                    sendNext();
            }
            continue;
        }
        const ssize_t n = ::recv(peer, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break; // the client closed: the session is over
        // One reply for each line the client sends, however they come in (pipelining).
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n')
                sendNext();
        }
    }
    ::close(peer);
}

} // namespace ricorne::fuzz
