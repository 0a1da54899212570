// The POP3 login: APOP or USER/PASS under the TLS rules, then STAT and LIST.
#include "core/mail/Pop3Client.h"

#include "core/mail/TlsMemory.h"

#include <QCryptographicHash>

namespace ricorne {

namespace {

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

} // namespace

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

// Both ways of logging in start here: a session that is open and not yet logged in.
bool Pop3Client::StartLogin() {
    if (broken_) {
        if (error_.isEmpty())
            error_ = QStringLiteral("POP3 サーバーに接続していません");
        return false;
    }
    if (loggedIn_) {
        Fail(QStringLiteral("POP3 サーバーには既にログインしています"));
        return false;
    }
    step_ = SessionStep::Login;
    return true;
}

int Pop3Client::Login(const QString& id, const QString& password, bool apop) {
    if (!StartLogin())
        return -1;
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
    return ReadMailCount(pipelining_);
}

int Pop3Client::ReadMailCount(bool listSent) {
    loggedIn_ = true;
    QByteArray line;
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
        if (listSent)
            ReadStatus(&line); // keep the reply order; the session ends anyway
        FailBroken(text);
        return -1;
    }
    if (!listSent && !socket_.Write("LIST\r\n")) {
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

} // namespace ricorne
