#include "core/mail/Pop3Client.h"

#include "core/mail/TlsMemory.h"

#include <QCryptographicHash>

namespace ricorne {

namespace {

QString SizeText(qint64 bytes) {
    if (bytes >= (1 << 20) && bytes % (1 << 20) == 0)
        return QString::number(bytes >> 20) + QStringLiteral(" MB");
    return QString::number(bytes) + QStringLiteral(" バイト");
}

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

QByteArray Number(int n) {
    return QByteArray::number(n);
}

} // namespace

Pop3Client::Pop3Client(Options options)
    : options_(std::move(options)), socket_(QStringLiteral("POP3"), options_.timeouts, options_.caFile) {}

Pop3Client::Pop3Client() : Pop3Client(Options()) {}

Pop3Client::~Pop3Client() = default;

bool Pop3Client::ApopTimestamp(const QByteArray& greeting, QByteArray* stamp) {
    const qsizetype open = greeting.indexOf('<');
    if (open < 0)
        return false;
    const qsizetype close = greeting.indexOf('>', open + 1);
    if (close < 0)
        return false;
    const QByteArray inner = greeting.mid(open + 1, close - open - 1);
    const qsizetype at = inner.indexOf('@');
    if (at <= 0 || at == inner.size() - 1)
        return false;
    for (char c : inner) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7e || c == '<')
            return false;
    }
    *stamp = greeting.mid(open, close - open + 1);
    return true;
}

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
    const ServerAddress address = ParseServerAddress(server, MailProtocol::Pop3);
    if (!address.ok) {
        broken_ = true;
        return Fail(QStringLiteral("POP3 サーバーの指定が正しくありません: %1").arg(server));
    }
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

bool Pop3Client::ConnectOnce(const ServerAddress& address) {
    error_.clear();
    address_ = address;
    capabilities_.clear();
    if (!socket_.Connect(address)) {
        broken_ = true;
        return Fail(socket_.Error());
    }
    broken_ = false;
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
        if (!ReadCapabilities())
            return false;
    }
    pipelining_ = options_.usePipelining && HasCapability(capabilities_, u"PIPELINING");
    return true;
}

int Pop3Client::Login(const QString& id, const QString& password, bool apop) {
    if (broken_) {
        if (error_.isEmpty())
            error_ = QStringLiteral("POP3 サーバーに接続していません");
        return -1;
    }
    if (loggedIn_) {
        Fail(QStringLiteral("POP3 サーバーには既にログインしています"));
        return -1;
    }
    const QString loginFailed = QStringLiteral("POP3 サーバーにログインできません: ");
    if (HasLineBreak(id) || HasLineBreak(password)) {
        Fail(loginFailed + QStringLiteral("ID かパスワードに改行などの使えない文字が含まれています"));
        return -1;
    }
    if (!socket_.IsEncrypted()) {
        // Checked before anything is sent: a refusal here leaves the password unsent.
        if (TlsMemory(options_.tlsMemoryFile).Remembers(QStringLiteral("POP3"), address_)) {
            FailBroken(TlsOfferGoneText(QStringLiteral("POP3"), address_));
            return -1;
        }
        if (!apop && !address_.plainAllowed) {
            FailBroken(NoEncryptionText(QStringLiteral("POP3"), address_));
            return -1;
        }
    }
    QList<QByteArray> login;
    if (apop) {
        QByteArray stamp;
        if (!ApopTimestamp(greeting_, &stamp)) {
            Fail(loginFailed +
                 QStringLiteral("サーバーが APOP に対応していません (挨拶に APOP の文字列がありません): ") +
                 ServerReplyText(greeting_));
            return -1;
        }
        const QByteArray digest =
            QCryptographicHash::hash(stamp + password.toUtf8(), QCryptographicHash::Md5).toHex();
        login << "APOP " + id.toUtf8() + ' ' + digest;
    } else {
        login << "USER " + id.toUtf8() << "PASS " + password.toUtf8();
    }
    QByteArray line;
    if (pipelining_) {
        // Login, STAT and LIST in one go: one round trip instead of four. After a refused
        // login the rest is of no use, and the connection is dropped (nothing was deleted).
        QByteArray batch;
        for (const QByteArray& command : login)
            batch += command + "\r\n";
        batch += "STAT\r\nLIST\r\n";
        if (!DrainPending() || !socket_.Write(batch)) {
            FailBroken();
            return -1;
        }
        for (qsizetype i = 0; i < login.size(); ++i) {
            const Reply reply = ReadStatus(&line);
            if (reply == Reply::Broken)
                return -1;
            if (reply == Reply::Err) {
                FailBroken(loginFailed + ServerReplyText(line));
                return -1;
            }
        }
    } else {
        for (const QByteArray& command : login) {
            const Reply reply = Command(command, &line);
            if (reply == Reply::Broken)
                return -1;
            if (reply == Reply::Err) {
                Fail(loginFailed + ServerReplyText(line));
                return -1;
            }
        }
        if (!socket_.Write("STAT\r\n")) {
            FailBroken();
            return -1;
        }
    }
    loggedIn_ = true;

    Reply reply = ReadStatus(&line);
    if (reply == Reply::Broken)
        return -1;
    // STAT only tells whether the mailbox is usable: its count may be anything (2147483647
    // has been seen), so the mails are those LIST names.
    bool countOk = false;
    if (reply == Reply::Ok) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words[1].toLongLong(&countOk) < 0)
            countOk = false;
    }
    if (!countOk) {
        const QString text =
            QStringLiteral("POP3 サーバーからメールの数を取得できません: ") + ServerReplyText(line);
        if (pipelining_)
            ReadStatus(&line); // keep the reply order; the session ends anyway
        FailBroken(text);
        return -1;
    }
    if (!pipelining_ && !socket_.Write("LIST\r\n")) {
        FailBroken();
        return -1;
    }
    if (!ReadList())
        return -1;
    return count_;
}

bool Pop3Client::ReadList() {
    QByteArray line;
    const Reply reply = ReadStatus(&line);
    if (reply == Reply::Broken)
        return false;
    if (reply == Reply::Err) {
        return FailBroken(QStringLiteral("POP3 サーバー %1 からメールの一覧を取得できません: %2")
                              .arg(socket_.PeerLabel(), ServerReplyText(line)));
    }
    QByteArray block;
    bool overflow = false;
    if (socket_.ReadDotBlock(&block, options_.maxLineBytes, options_.maxListBytes, &overflow) !=
        MailSocket::Status::Ok) {
        return FailBroken(socket_.Error());
    }
    if (overflow) {
        return FailBroken(QStringLiteral("POP3 サーバー %1 のメールの一覧が %2 を超えていて受け取れません。"
                                         "メールはサーバーに残します。")
                              .arg(socket_.PeerLabel(), SizeText(options_.maxListBytes)));
    }
    for (const QByteArray& entry : block.split('\n')) {
        const QList<QByteArray> words = entry.simplified().split(' ');
        if (words.size() < 2)
            continue;
        bool numberOk = false, sizeOk = false;
        const int number = words[0].toInt(&numberOk);
        const qint64 size = words[1].toLongLong(&sizeOk);
        if (numberOk && sizeOk && number >= 1 && number <= options_.maxMails && size >= 0)
            sizes_.insert(number, size);
    }
    // Numbers run from 1 without gaps in a fresh session; whatever follows a gap is not
    // reachable by number and waits for a later check.
    count_ = 0;
    while (count_ < options_.maxMails && sizes_.contains(count_ + 1))
        ++count_;
    for (auto it = sizes_.begin(); it != sizes_.end();)
        it = it.key() > count_ ? sizes_.erase(it) : std::next(it);
    return true;
}

qint64 Pop3Client::Size(int number) const {
    return sizes_.value(number, -1);
}

bool Pop3Client::CheckNumber(int number) {
    if (broken_) {
        if (error_.isEmpty())
            error_ = QStringLiteral("POP3 サーバーとの接続は切れています");
        return false;
    }
    if (!loggedIn_)
        return Fail(QStringLiteral("POP3 サーバーにログインしていません"));
    if (number < 1 || number > count_)
        return Fail(QStringLiteral("メール %1 はサーバーにありません (%2 通)").arg(number).arg(count_));
    return true;
}

QString Pop3Client::FetchFailureText(int number, const QString& reason) const {
    return QStringLiteral("メール %1 を受信できません: %2").arg(number).arg(reason);
}

bool Pop3Client::ReadPendingOne() {
    const Pending pending = pending_.front();
    pending_.pop_front();
    QByteArray line;
    const Reply reply = ReadStatus(&line);
    if (reply == Reply::Broken) {
        if (pending.kind == Pending::Retr)
            error_ = FetchFailureText(pending.number, error_);
        return false;
    }
    if (pending.kind == Pending::Dele) {
        if (reply == Reply::Err) {
            deleteQueued_.remove(pending.number);
            error_ = QStringLiteral("メール %1 をサーバーから削除できません: %2")
                         .arg(pending.number)
                         .arg(ServerReplyText(line));
        }
        return true;
    }
    retrInFlight_.remove(pending.number);
    if (reply == Reply::Err) {
        fetchErrors_.insert(pending.number, FetchFailureText(pending.number, ServerReplyText(line)));
        return true;
    }
    QByteArray mail;
    bool overflow = false;
    const MailSocket::Status status =
        socket_.ReadDotBlock(&mail, options_.maxLineBytes, options_.maxMailBytes, &overflow);
    if (status == MailSocket::Status::TooLong) {
        fetchErrors_.insert(
            pending.number,
            FetchFailureText(pending.number,
                             QStringLiteral("1 行が %1 を超えています。メールはサーバーに残します。")
                                 .arg(SizeText(options_.maxLineBytes))));
        return true;
    }
    if (status != MailSocket::Status::Ok) {
        // No DELE goes out on a broken session, so the mail is still there for the next check.
        QString reason = socket_.Error();
        if (!reason.endsWith(u'。'))
            reason += u'。';
        return FailBroken(
            FetchFailureText(pending.number, reason + QStringLiteral("メールはサーバーに残します。")));
    }
    if (overflow) {
        fetchErrors_.insert(
            pending.number,
            FetchFailureText(pending.number,
                             QStringLiteral("メールが %1 を超えています。メールはサーバーに残します。")
                                 .arg(SizeText(options_.maxMailBytes))));
        return true;
    }
    fetched_.insert(pending.number, std::move(mail));
    return true;
}

bool Pop3Client::DrainPending() {
    while (!pending_.empty()) {
        if (!ReadPendingOne())
            return false;
    }
    return true;
}

bool Pop3Client::SendAhead(int number) {
    QByteArray commands;
    if (!retrInFlight_.contains(number)) {
        commands += "RETR " + Number(number) + "\r\n";
        pending_.push_back({Pending::Retr, number});
        retrInFlight_.insert(number);
    }
    int held = int(retrInFlight_.size() + fetched_.size());
    qint64 bytes = 0;
    for (int n : std::as_const(retrInFlight_))
        bytes += qMax<qint64>(0, Size(n));
    for (auto it = fetched_.cbegin(); it != fetched_.cend(); ++it)
        bytes += it.value().size();
    int next = qMax(aheadUpTo_, number) + 1;
    for (; next <= count_ && held < options_.aheadMails; ++next) {
        if (deleteQueued_.contains(next) || failed_.contains(next) || fetched_.contains(next) ||
            retrInFlight_.contains(next) || fetchErrors_.contains(next))
            continue;
        const qint64 size = qMax<qint64>(0, Size(next));
        if (size > options_.maxMailBytes || bytes + size > options_.aheadBytes)
            break;
        commands += "RETR " + Number(next) + "\r\n";
        pending_.push_back({Pending::Retr, next});
        retrInFlight_.insert(next);
        bytes += size;
        ++held;
    }
    aheadUpTo_ = qMax(aheadUpTo_, next - 1);
    if (commands.isEmpty())
        return true;
    if (!socket_.Write(commands)) {
        return FailBroken(FetchFailureText(number, socket_.Error()));
    }
    return true;
}

bool Pop3Client::Retrieve(int number, QByteArray* raw) {
    raw->clear();
    if (!CheckNumber(number))
        return false;
    if (Size(number) > options_.maxMailBytes) {
        failed_.insert(number);
        return Fail(FetchFailureText(
            number, QStringLiteral("メールが %1 を超えています。メールはサーバーに残します。")
                        .arg(SizeText(options_.maxMailBytes))));
    }
    if (!fetched_.contains(number) && !fetchErrors_.contains(number)) {
        if (pipelining_) {
            if (!SendAhead(number))
                return false;
        } else {
            if (!socket_.Write("RETR " + Number(number) + "\r\n")) {
                return FailBroken(FetchFailureText(number, socket_.Error()));
            }
            pending_.push_back({Pending::Retr, number});
            retrInFlight_.insert(number);
        }
        while (!fetched_.contains(number) && !fetchErrors_.contains(number)) {
            if (pending_.empty())
                return Fail(FetchFailureText(number, QStringLiteral("応答がありません")));
            if (!ReadPendingOne())
                return false;
        }
    }
    if (fetchErrors_.contains(number)) {
        failed_.insert(number);
        return Fail(fetchErrors_.take(number));
    }
    *raw = fetched_.take(number);
    failed_.remove(number);
    return true;
}

bool Pop3Client::Delete(int number) {
    if (!CheckNumber(number))
        return false;
    if (failed_.contains(number))
        return Fail(QStringLiteral("メール %1 は受信できなかったので、サーバーから削除しません").arg(number));
    if (deleteQueued_.contains(number))
        return true;
    fetched_.remove(number);
    fetchErrors_.remove(number);
    if (pipelining_) {
        if (!socket_.Write("DELE " + Number(number) + "\r\n")) {
            return FailBroken(socket_.Error());
        }
        pending_.push_back({Pending::Dele, number});
        deleteQueued_.insert(number);
        return true;
    }
    QByteArray line;
    const Reply reply = Command("DELE " + Number(number), &line);
    if (reply == Reply::Broken)
        return false;
    if (reply == Reply::Err)
        return Fail(QStringLiteral("メール %1 をサーバーから削除できません: %2")
                        .arg(number)
                        .arg(ServerReplyText(line)));
    deleteQueued_.insert(number);
    return true;
}

bool Pop3Client::LoadUidls() {
    uidlsLoaded_ = true;
    QByteArray line;
    const Reply reply = Command("UIDL", &line);
    if (reply == Reply::Broken)
        return false;
    if (reply == Reply::Err)
        return true; // no UIDL on this server
    QByteArray block;
    bool overflow = false;
    if (socket_.ReadDotBlock(&block, options_.maxLineBytes, options_.maxListBytes, &overflow) !=
        MailSocket::Status::Ok) {
        return FailBroken(socket_.Error());
    }
    // Too long a list gives no ids: the mails are then handled as on a server without UIDL.
    for (const QByteArray& entry : block.split('\n')) {
        const QList<QByteArray> words = entry.simplified().split(' ');
        bool numberOk = false;
        const int number = words.size() >= 2 ? words[0].toInt(&numberOk) : 0;
        if (numberOk && number >= 1 && number <= count_)
            uidls_.insert(number, QString::fromLatin1(words[1]));
    }
    return true;
}

QString Pop3Client::Uidl(int number) {
    if (!CheckNumber(number))
        return {};
    if (!uidlsLoaded_ && !LoadUidls())
        return {};
    return uidls_.value(number);
}

bool Pop3Client::Quit() {
    if (broken_) {
        socket_.Abort();
        return false;
    }
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
