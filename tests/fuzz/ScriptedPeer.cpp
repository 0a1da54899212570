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
    qsizetype sent = 0;
    bool writing = true;
    char sink[4096];
    // Write and read at once: a client that writes while we write must not dead-lock us.
    for (;;) {
        pollfd fd{peer, short(POLLIN | (writing ? POLLOUT : 0)), 0};
        if (::poll(&fd, 1, 5000) <= 0)
            break;
        if (fd.revents & POLLIN) {
            const ssize_t n = ::recv(peer, sink, sizeof(sink), 0);
            if (n <= 0)
                break; // the client closed: the session is over
        }
        if (writing && (fd.revents & POLLOUT)) {
            const ssize_t n =
                ::send(peer, script_.constData() + sent, size_t(script_.size() - sent), MSG_NOSIGNAL);
            if (n < 0) {
                writing = false;
            } else {
                sent += n;
            }
            if (sent >= script_.size()) {
                writing = false;
                // Half-close rather than close: unread client bytes would otherwise turn our
                // close into a reset that throws away what the client has not read yet.
                ::shutdown(peer, SHUT_WR);
            }
        }
        if (fd.revents & (POLLERR | POLLHUP | POLLNVAL))
            break;
    }
    ::close(peer);
}

} // namespace ricorne::fuzz
