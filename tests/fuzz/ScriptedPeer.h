// A server on 127.0.0.1 that sends fixed bytes to whoever connects and then ends its side,
// while reading (and dropping) what the client writes. Drives the POP3 and SMTP engines over
// a real socket without changing a line of them.
#pragma once

#include <QByteArray>
#include <thread>

namespace ricorne::fuzz {

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
