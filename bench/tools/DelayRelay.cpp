// A TCP relay on 127.0.0.1 that holds every chunk DELAY_MS in each direction: round-trip time
// on loopback where the kernel has no netem. Chunks are delayed, never throttled or reordered;
// each carries the time it was read, and nothing looks at its bytes.
//   bench_delay_relay LISTEN_PORT TARGET_PORT [DELAY_MS]
// Prints "relay ready" once listening; stops on SIGTERM or SIGINT.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <memory>
#include <vector>

namespace {

int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Chunk {
    int64_t due;
    std::vector<char> bytes; // empty: the sender closed its side
    size_t sent = 0;
};

// One direction of a relayed connection: read from `from`, written to `to` once due.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    bool readDone = false;  // EOF or error on `from`
    bool writeDone = false; // `to` shut down (EOF passed on) or failed
    bool waitingOut = false;
};

struct Pair {
    int fds[2];       // client, server
    Direction dir[2]; // client -> server, server -> client
    uint32_t watched[2] = {EPOLLIN, EPOLLIN};
    bool dead = false;
};

volatile sig_atomic_t stop = 0;
int64_t delayNs = 10'000'000;
int epollFd = -1;

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The events each socket waits for: input unless its reading side is done, output while a due
// chunk could not be written whole.
void Watch(Pair* p) {
    for (int side = 0; side < 2; ++side) {
        epoll_event ev{};
        ev.data.ptr = p;
        if (!p->dir[side].readDone)
            ev.events |= EPOLLIN;
        if (p->dir[1 - side].waitingOut) // the direction writing to this socket
            ev.events |= EPOLLOUT;
        if (ev.events == p->watched[side])
            continue;
        // A socket with nothing to wait for leaves the set: a hung-up one would wake us forever.
        const int op = ev.events == 0 ? EPOLL_CTL_DEL : p->watched[side] == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
        p->watched[side] = ev.events;
        epoll_ctl(epollFd, op, p->fds[side], &ev);
    }
}

void ReadSide(Direction* d) {
    if (d->readDone)
        return;
    static std::vector<char> buf(256 * 1024);
    for (;;) {
        const ssize_t n = read(d->from, buf.data(), buf.size());
        if (n > 0) {
            if (d->writeDone) // nowhere to go any more
                continue;
            d->queue.push_back(Chunk{NowNs() + delayNs, std::vector<char>(buf.data(), buf.data() + n)});
            if (size_t(n) < buf.size())
                return;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0 && errno == EINTR)
            continue;
        d->readDone = true;
        d->queue.push_back(Chunk{NowNs() + delayNs, {}});
        return;
    }
}

// Writes what is due, passing the end on once it is due too.
void WriteSide(Direction* d, int64_t now) {
    d->waitingOut = false;
    while (!d->writeDone && !d->queue.empty() && d->queue.front().due <= now) {
        Chunk& c = d->queue.front();
        if (c.bytes.empty()) {
            shutdown(d->to, SHUT_WR);
            d->writeDone = true;
            d->queue.clear();
            return;
        }
        const ssize_t n = write(d->to, c.bytes.data() + c.sent, c.bytes.size() - c.sent);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                d->waitingOut = true;
                return;
            }
            d->writeDone = true;
            d->queue.clear();
            return;
        }
        c.sent += size_t(n);
        if (c.sent == c.bytes.size())
            d->queue.pop_front();
    }
}

void OnStop(int) {
    stop = 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s LISTEN_PORT TARGET_PORT [DELAY_MS]\n", argv[0]);
        return 2;
    }
    const int listenPort = std::atoi(argv[1]);
    const int targetPort = std::atoi(argv[2]);
    if (argc > 3)
        delayNs = int64_t(std::atof(argv[3]) * 1e6);
    signal(SIGTERM, OnStop);
    signal(SIGINT, OnStop);
    signal(SIGPIPE, SIG_IGN);

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr = Loopback(listenPort);
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 64) != 0) {
        std::perror("listen");
        return 1;
    }
    epollFd = epoll_create1(0);
    epoll_event lev{};
    lev.events = EPOLLIN;
    lev.data.ptr = nullptr;
    epoll_ctl(epollFd, EPOLL_CTL_ADD, listener, &lev);
    std::printf("relay ready %d -> %d\n", listenPort, targetPort);
    std::fflush(stdout);

    std::vector<std::unique_ptr<Pair>> pairs;
    std::vector<epoll_event> events(64);
    while (!stop) {
        // Sleep until the earliest chunk falls due (or something arrives).
        const int64_t now = NowNs();
        int64_t next = -1;
        for (const auto& p : pairs) {
            for (const Direction& d : p->dir) {
                if (!d.waitingOut && !d.writeDone && !d.queue.empty() &&
                    (next < 0 || d.queue.front().due < next))
                    next = d.queue.front().due;
            }
        }
        const int64_t wait = next < 0 ? 200'000'000 : next <= now ? 0 : next - now;
        const timespec timeout{time_t(wait / 1'000'000'000), long(wait % 1'000'000'000)};
        int n = epoll_pwait2(epollFd, events.data(), int(events.size()), &timeout, nullptr);
        if (n < 0 && errno == ENOSYS) // an older kernel: millisecond steps
            n = epoll_wait(epollFd, events.data(), int(events.size()), int((wait + 999'999) / 1'000'000));
        for (int i = 0; i < n; ++i) {
            auto* p = static_cast<Pair*>(events[i].data.ptr);
            if (!p) {
                for (;;) {
                    const int client = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
                    if (client < 0)
                        break;
                    const int server = socket(AF_INET, SOCK_STREAM, 0);
                    sockaddr_in target = Loopback(targetPort);
                    if (connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
                        close(server);
                        close(client);
                        continue;
                    }
                    SetNonBlocking(client);
                    SetNonBlocking(server);
                    auto pair = std::make_unique<Pair>();
                    pair->fds[0] = client;
                    pair->fds[1] = server;
                    pair->dir[0].from = client;
                    pair->dir[0].to = server;
                    pair->dir[1].from = server;
                    pair->dir[1].to = client;
                    for (int side = 0; side < 2; ++side) {
                        epoll_event ev{};
                        ev.events = EPOLLIN;
                        ev.data.ptr = pair.get();
                        epoll_ctl(epollFd, EPOLL_CTL_ADD, pair->fds[side], &ev);
                    }
                    pairs.push_back(std::move(pair));
                }
                continue;
            }
            if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
                ReadSide(&p->dir[0]);
                ReadSide(&p->dir[1]);
            }
        }
        const int64_t after = NowNs();
        for (auto& p : pairs) {
            for (Direction& d : p->dir)
                WriteSide(&d, after);
            const bool finished = [&] {
                for (const Direction& d : p->dir) {
                    if (!d.writeDone && !(d.readDone && d.queue.empty()))
                        return false;
                }
                return true;
            }();
            if (finished) {
                close(p->fds[0]);
                close(p->fds[1]);
                p->dead = true;
            } else {
                Watch(p.get());
            }
        }
        std::erase_if(pairs, [](const std::unique_ptr<Pair>& p) { return p->dead; });
    }
    return 0;
}
