// A mail conversation written out line by line, and a peer on 127.0.0.1 that plays the server's
// lines and checks the client's, byte for byte:
//
//   TranscriptPeer peer({{Server, "+OK ready"}, {Client, "CAPA"}, {Server, "-ERR unknown"},
//                        {Client, "USER alice"}, ..., {Client, "QUIT"}, {Server, "+OK bye"}});
//   ... run the client against peer.Url("pop3") ...
//   EXPECT_EQ(peer.Check(), "");
//
// Lines are written without their CR LF: the peer adds it to what it sends and requires it on
// every line the client sends. A Client line is read when the peer reaches it, so a client that
// pipelines has sent it already; writing several Client lines ahead of their answers requires
// pipelining (a client that waits for each answer never sends the next line, and the check fails).
// After the last line the client must close without sending anything more.
#pragma once

#include "FakeServer.h"

#include <QByteArray>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace ricorne::testing {

enum class Side { Server, Client };
inline constexpr Side Server = Side::Server;
inline constexpr Side Client = Side::Client;

struct Turn {
    Side side;
    QByteArray line; // without CR LF
};
using Transcript = std::vector<Turn>;

// One exchange after another.
inline Transcript operator+(Transcript first, const Transcript& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

class TranscriptPeer {
public:
    // readTimeoutMs: how long the peer waits for each client line.
    explicit TranscriptPeer(Transcript transcript, int readTimeoutMs = 3000);
    TranscriptPeer(const TranscriptPeer&) = delete;
    TranscriptPeer& operator=(const TranscriptPeer&) = delete;

    QString Address() const { return server_.Address(); }
    QString Url(const char* scheme) const { return server_.Url(scheme); }

    // Waits until the conversation has ended. Empty when exactly one client connected, said
    // exactly its lines and closed; otherwise the first difference and the exchange up to it.
    std::string Check();

private:
    void Play(FakeConnection& connection);
    void Finish(std::string failure);

    Transcript transcript_;
    int readTimeoutMs_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    int connections_ = 0;
    std::string failure_;
    std::string exchange_; // what was said so far, for the failure text
    FakeServer server_;    // last: its thread may run Play as soon as it exists
};

} // namespace ricorne::testing
