// The POP3 session: connecting, the greeting, CAPA and STLS, single commands, QUIT.
#include "core/mail/Pop3Client.h"

#include "core/mail/TlsMemory.h"

namespace ricorne {

QString Pop3Client::SizeText(qint64 bytes) {
    if (bytes >= (1 << 20) && bytes % (1 << 20) == 0)
        return QString::number(bytes >> 20) + QStringLiteral(" MB");
    return QString::number(bytes) + QStringLiteral(" バイト");
}

Pop3Client::Pop3Client(Options options)
    : options_(std::move(options)), socket_(QStringLiteral("POP3"), options_.timeouts, options_.caFile) {}

Pop3Client::Pop3Client() : Pop3Client(Options()) {}

Pop3Client::~Pop3Client() = default;

bool Pop3Client::Fail(const QString& text) {
    error_ = text;
    return false;
}

bool Pop3Client::FailBroken(const QString& text) {
    error_ = text.isEmpty() ? socket_.Error() : text;
    broken_ = true;
    socket_.Abort();
    pending_.clear();
    retrInFlight_.clear();
    return false;
}

Pop3Client::Reply Pop3Client::ReadStatus(QByteArray* line) {
    const MailSocket::Status status = socket_.ReadLine(line, options_.maxLineBytes);
    if (status == MailSocket::Status::TooLong) {
        FailBroken(QStringLiteral("POP3 サーバー %1 の応答行が長すぎます").arg(socket_.PeerLabel()));
        return Reply::Broken;
    }
    if (status != MailSocket::Status::Ok) {
        FailBroken(socket_.Error());
        return Reply::Broken;
    }
    if (line->startsWith("+OK"))
        return Reply::Ok;
    if (line->startsWith("-ERR"))
        return Reply::Err;
    FailBroken(QStringLiteral("POP3 サーバー %1 の応答が正しくありません: %2")
                   .arg(socket_.PeerLabel(), ServerReplyText(*line)));
    return Reply::Broken;
}

Pop3Client::Reply Pop3Client::Command(const QByteArray& command, QByteArray* line) {
    if (!DrainPending())
        return Reply::Broken;
    if (!socket_.Write(command + "\r\n")) {
        FailBroken(socket_.Error());
        return Reply::Broken;
    }
    return ReadStatus(line);
}

bool Pop3Client::ReadCapabilities() {
    capabilities_.clear();
    QByteArray line;
    const Reply reply = Command("CAPA", &line);
    if (reply == Reply::Broken)
        return false;
    if (reply == Reply::Err)
        return true; // an RFC 1939 server without CAPA: no extensions
    QByteArray block;
    bool overflow = false;
    if (socket_.ReadDotBlock(&block, options_.maxLineBytes, 1 << 20, &overflow) != MailSocket::Status::Ok) {
        return FailBroken(socket_.Error());
    }
    for (const QByteArray& capability : block.split('\n')) {
        const QByteArray trimmed = capability.trimmed();
        if (!trimmed.isEmpty())
            capabilities_ << QString::fromLatin1(trimmed);
    }
    return true;
}

static bool HasCapability(const QStringList& capabilities, QStringView name) {
    for (const QString& line : capabilities) {
        const QStringView word =
            QStringView(line).left(line.indexOf(u' ') < 0 ? line.size() : line.indexOf(u' '));
        if (word.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool Pop3Client::Connect(const QString& server) {
    error_.clear();
    resolved_.clear();
    step_ = SessionStep::Connect;
    const ServerAddress address = ParseServerAddress(server, MailProtocol::Pop3);
    if (!address.ok) {
        broken_ = true;
        return Fail(QStringLiteral("POP3 サーバーの指定が正しくありません: %1").arg(server));
    }
    if (IsBareServer(server, MailProtocol::Pop3))
        return ConnectBare(address);
    return ConnectTrusted(address);
}

bool Pop3Client::ConnectTrusted(const ServerAddress& address) {
    // Nothing but the greeting, CAPA and STLS has happened when a certificate is rejected,
    // so trying once more with the other trust cannot disturb any mail.
    // The extra certificates are there for a private server, so they go first.
    const bool extra = socket_.HasExtraCa();
    socket_.SetTrust(extra ? MailSocket::Trust::ExtraFile : MailSocket::Trust::System);
    if (ConnectOnce(address))
        return true;
    if (!extra || !socket_.CertificateRejected())
        return false;
    socket_.SetTrust(MailSocket::Trust::System);
    return ConnectOnce(address);
}

bool Pop3Client::ConnectBare(const ServerAddress& address) {
    const QList<TlsCandidate> candidates =
        options_.tlsCandidates.isEmpty() ? DefaultTlsCandidates(MailProtocol::Pop3) : options_.tlsCandidates;
    const TlsSearch search =
        FindTls(address, candidates, MailProtocol::Pop3,
                {[this](const ServerAddress& a) { return ConnectTrusted(a); }, [this] { Abort(); },
                 [this] { return socket_.IsEncrypted(); }, [this] { return socket_.CertificateRejected(); },
                 [this] { return step_; }, [this] { return error_; }});
    if (search.open) {
        resolved_ = search.resolved;
        return true;
    }
    if (search.certificateRejected)
        return false;
    step_ = search.step;
    broken_ = true;
    return Fail(QStringLiteral("POP3 サーバー %1 に接続できません (ポート %2 を試しました): %3")
                    .arg(address.host, search.tried, search.error));
}

bool Pop3Client::ConnectOnce(const ServerAddress& address) {
    error_.clear();
    address_ = address;
    capabilities_.clear();
    step_ = SessionStep::Connect;
    if (!socket_.Connect(address)) {
        if (socket_.TlsFailed())
            step_ = SessionStep::Tls;
        broken_ = true;
        return Fail(socket_.Error());
    }
    broken_ = false;
    step_ = SessionStep::Capabilities;
    QByteArray line;
    const Reply greeting = ReadStatus(&line);
    if (greeting == Reply::Broken)
        return false;
    if (greeting == Reply::Err) {
        return FailBroken(QStringLiteral("POP3 サーバー %1 が接続を受け付けません: %2")
                              .arg(socket_.PeerLabel(), ServerReplyText(line)));
    }
    greeting_ = line;
    if (!ReadCapabilities())
        return false;
    if (!address.implicitTls && HasCapability(capabilities_, u"STLS")) {
        step_ = SessionStep::Tls;
        const Reply stls = Command("STLS", &line);
        if (stls == Reply::Broken)
            return false;
        if (stls == Reply::Err) {
            return FailBroken(QStringLiteral("POP3 サーバー %1 で TLS を開始できません: %2")
                                  .arg(socket_.PeerLabel(), ServerReplyText(line)));
        }
        if (!socket_.StartTls()) {
            return FailBroken(socket_.Error());
        }
        TlsMemory(options_.tlsMemoryFile).Remember(QStringLiteral("POP3"), address);
        // What the server said before TLS no longer counts.
        step_ = SessionStep::Capabilities;
        if (!ReadCapabilities())
            return false;
    }
    pipelining_ = options_.usePipelining && HasCapability(capabilities_, u"PIPELINING");
    return true;
}

bool Pop3Client::Quit() {
    if (broken_) {
        socket_.Abort();
        return false;
    }
    step_ = SessionStep::Logout;
    QByteArray line;
    const Reply reply = Command("QUIT", &line);
    broken_ = true; // the session is over either way
    socket_.Abort();
    if (reply == Reply::Broken)
        return false;
    if (reply == Reply::Err)
        return Fail(QStringLiteral("POP3 サーバーがメールの削除を確定できませんでした: %1")
                        .arg(ServerReplyText(line)));
    return true;
}

void Pop3Client::Abort() {
    broken_ = true;
    socket_.Abort();
    pending_.clear();
    retrInFlight_.clear();
}

} // namespace ricorne
