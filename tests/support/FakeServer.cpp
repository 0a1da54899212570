#include "FakeServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ricorne::testing {

bool FakeConnection::Send(const QByteArray& bytes) {
    if (fd_ < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

bool FakeConnection::ReadLine(QByteArray* line, int timeoutMs) {
    if (!ReadRawLine(line, timeoutMs))
        return false;
    line->chop(line->endsWith("\r\n") ? 2 : 1);
    return true;
}

bool FakeConnection::ReadRawLine(QByteArray* line, int timeoutMs) {
    for (;;) {
        if (fd_ < 0)
            return false;
        const qsizetype nl = buffer_.indexOf('\n');
        if (nl >= 0) {
            *line = buffer_.left(nl + 1);
            buffer_.remove(0, nl + 1);
            server_->Record(line->chopped(line->endsWith("\r\n") ? 2 : 1));
            return true;
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, timeoutMs);
        if (r <= 0)
            return false;
        char chunk[65536];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer_.append(chunk, n);
    }
}

bool FakeConnection::WaitClosed(int timeoutMs) {
    for (;;) {
        if (fd_ < 0)
            return true;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char chunk[4096];
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return true;
    }
}

void FakeConnection::Close() {
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        fd_ = -1;
    }
}

void FakeConnection::Reset() {
    if (fd_ >= 0) {
        const linger abort{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(fd_);
        fd_ = -1;
    }
}

FakeServer::FakeServer(Script script) : script_(std::move(script)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 8);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
}

FakeServer::~FakeServer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    ::close(listenFd_);
}

void FakeServer::Run() {
    while (!stop_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        ++connections_;
        FakeConnection connection(this, fd);
        script_(connection);
        connection.Close();
    }
}

void FakeServer::Record(const QByteArray& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_ << line;
}

QList<QByteArray> FakeServer::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

bool FakeServer::ReceivedLineStartingWith(const QByteArray& prefix) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const QByteArray& line : received_) {
        if (line.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace ricorne::testing
