#include "Transcript.h"

#include <chrono>

namespace ricorne::testing {

namespace {

std::string Quoted(const QByteArray& bytes) {
    std::string out = "\"";
    for (const char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            out += "\\x" +
                   QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0').toStdString();
        else
            out += c;
    }
    return out + '"';
}

} // namespace

TranscriptPeer::TranscriptPeer(Transcript transcript, int readTimeoutMs)
    : transcript_(std::move(transcript)), readTimeoutMs_(readTimeoutMs),
      server_([this](FakeConnection& c) { Play(c); }) {}

void TranscriptPeer::Play(FakeConnection& c) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (++connections_ > 1) {
            failure_ = failure_.empty() ? "a second connection" : failure_;
            return;
        }
    }
    for (size_t i = 0; i < transcript_.size(); ++i) {
        const Turn& turn = transcript_[i];
        if (turn.side == Side::Server) {
            exchange_ += "  S: " + turn.line.toStdString() + '\n';
            if (!c.Send(turn.line + "\r\n"))
                return Finish("line " + std::to_string(i + 1) +
                              ": the client had gone before the server said " + Quoted(turn.line));
            continue;
        }
        QByteArray got;
        if (!c.ReadRawLine(&got, readTimeoutMs_))
            return Finish("line " + std::to_string(i + 1) + ": expected the client to send " +
                          Quoted(turn.line) + ", it sent nothing more");
        if (got != turn.line + "\r\n")
            return Finish("line " + std::to_string(i + 1) + ": expected the client to send " +
                          Quoted(turn.line + "\r\n") + ", it sent " + Quoted(got));
        exchange_ += "  C: " + turn.line.toStdString() + '\n';
    }
    QByteArray more;
    if (c.ReadRawLine(&more, readTimeoutMs_))
        return Finish("after the last line the client sent " + Quoted(more));
    Finish({});
}

void TranscriptPeer::Finish(std::string failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure.empty())
        failure_ = failure + "\nexchanged before:\n" + exchange_;
    done_ = true;
    ended_.notify_all();
}

std::string TranscriptPeer::Check() {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto limit = std::chrono::milliseconds(readTimeoutMs_ * (transcript_.size() + 2));
    if (!ended_.wait_for(lock, limit, [this] { return done_; }))
        return connections_ == 0 ? "the client never connected" : "the conversation did not end";
    return failure_;
}

} // namespace ricorne::testing
