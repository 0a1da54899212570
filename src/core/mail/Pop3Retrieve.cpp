// The POP3 mail pipeline: RETR sent ahead, DELE queued, the replies read in order, and UIDL.
#include "core/mail/Pop3Client.h"

namespace ricorne {

namespace {

QByteArray Number(int n) {
    return QByteArray::number(n);
}

} // namespace

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
    const MailSocket::Status status = socket_.ReadDotBlock(
        &mail, options_.maxLineBytes, options_.maxMailBytes, &overflow, Size(pending.number));
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

int Pop3Client::DeleteAll(const QList<int>& numbers) {
    if (!pipelining_) {
        int accepted = 0;
        for (const int n : numbers)
            accepted += Delete(n) ? 1 : 0;
        return accepted;
    }
    // One write for the whole group; the replies are read with the next ones.
    QByteArray commands;
    QList<int> queued;
    for (const int n : numbers) {
        if (!CheckNumber(n) || failed_.contains(n) || deleteQueued_.contains(n))
            continue;
        fetched_.remove(n);
        fetchErrors_.remove(n);
        commands += "DELE " + Number(n) + "\r\n";
        queued.append(n);
    }
    if (commands.isEmpty())
        return 0;
    if (!socket_.Write(commands)) {
        FailBroken(socket_.Error());
        return 0;
    }
    for (const int n : std::as_const(queued)) {
        pending_.push_back({Pending::Dele, n});
        deleteQueued_.insert(n);
    }
    return int(queued.size());
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

} // namespace ricorne
