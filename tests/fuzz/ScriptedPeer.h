// A server on 127.0.0.1 that plays a script to the one client that connects: the script's
// replies are separated by kReplySeparator; the first goes out on connect, the next one for
// each line the client sends, and when none is left the server ends its side. Drives the POP3
// and SMTP engines over a real socket without changing a line of them.
#pragma once

#include <QByteArray>
#include <QList>
#include <thread>

namespace ricorne::fuzz {

inline constexpr char kReplySeparator = '\x02';

class ScriptedPeer {
public:
    explicit ScriptedPeer(QByteArray script);
    ~ScriptedPeer(); // waits for the one connection to end
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    int Port() const { return port_; }

private:
    void Serve();

    QByteArray script_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
};

} // namespace ricorne::fuzz
