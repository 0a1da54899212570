#include "CuttingRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ricorne::testing {

namespace {

sockaddr_in Loopback(quint16 port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

bool SendAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

} // namespace

CuttingRelay::CuttingRelay(quint16 upstreamPort, LineTest cutOnClient, LineTest cutOnServer)
    : upstreamPort_(upstreamPort), cutOnClient_(std::move(cutOnClient)),
      cutOnServer_(std::move(cutOnServer)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 4) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

CuttingRelay::~CuttingRelay() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

void CuttingRelay::Run() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            Relay(client);
    }
}

void CuttingRelay::Relay(int client) {
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(upstreamPort_);
    if (::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(server);
        ::close(client);
        return;
    }
    QByteArray fromClient, fromServer;
    bool open = true;
    // Forwards the complete lines of buffer; false when the line was cut here.
    auto forward = [this](QByteArray& buffer, int to, const LineTest& cutTest, bool hideStls) {
        qsizetype end;
        while ((end = buffer.indexOf('\n')) >= 0) {
            const QByteArray line = buffer.left(end + 1);
            buffer.remove(0, end + 1);
            const QByteArray bare = line.trimmed();
            if (!cut_ && cutTest && cutTest(bare)) {
                cut_ = true;
                return false;
            }
            if (hideStls && bare == "STLS")
                continue;
            if (!SendAll(to, line))
                return false;
        }
        return true;
    };
    while (open && !stop_) {
        pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        if (::poll(p, 2, 50) <= 0)
            continue;
        char chunk[65536];
        for (int i = 0; i < 2 && open; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(p[i].fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                open = false;
                break;
            }
            if (i == 0) {
                fromClient.append(chunk, n);
                open = forward(fromClient, server, cutOnClient_, false);
            } else {
                fromServer.append(chunk, n);
                open = forward(fromServer, client, cutOnServer_, true);
            }
        }
    }
    ::close(server);
    ::close(client);
}

} // namespace ricorne::testing
