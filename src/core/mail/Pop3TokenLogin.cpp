// The POP3 login with an OAuth 2.0 access token (AUTH of RFC 5034).
#include "core/mail/Pop3Client.h"

namespace ricorne {

int Pop3Client::LoginWithToken(const QString& user, const QByteArray& token) {
    bearerResult_ = BearerResult::Failed;
    if (!StartLogin())
        return -1;
    const QString loginFailed = QStringLiteral("POP3 サーバーにログインできません: ");
    // A token is as good as a password to whoever reads it: never in the clear, even for a
    // server written "pop3://host".
    if (!socket_.IsEncrypted()) {
        FailBroken(BearerWithoutTlsText(QStringLiteral("POP3"), ServerLabel(address_)));
        return -1;
    }
    QStringList offered;
    for (const QString& capability : std::as_const(capabilities_)) {
        QStringList words = capability.split(u' ', Qt::SkipEmptyParts);
        if (!words.isEmpty() && words.takeFirst().compare(u"SASL", Qt::CaseInsensitive) == 0)
            offered += words;
    }
    const BearerMechanism mechanism = ChooseBearerMechanism(offered);
    if (mechanism == BearerMechanism::None) {
        FailBroken(loginFailed + QStringLiteral("サーバーが OAuth のログイン (XOAUTH2、OAUTHBEARER) に"
                                                "対応していません (対応: %1)")
                                     .arg(offered.isEmpty() ? QStringLiteral("なし") : offered.join(u' ')));
        return -1;
    }
    const QByteArray response = BearerResponse(mechanism, user, token, address_.host, address_.port);
    if (response.isEmpty()) {
        Fail(loginFailed + QStringLiteral("ID かトークンに使えない文字が含まれています"));
        return -1;
    }
    if (!DrainPending() || !socket_.Write("AUTH " + BearerMechanismName(mechanism) + "\r\n")) {
        FailBroken();
        return -1;
    }
    QByteArray line;
    bool responded = false;
    bool refusedByChallenge = false;
    for (;;) {
        const MailSocket::Status status = socket_.ReadLine(&line, options_.maxLineBytes);
        if (status != MailSocket::Status::Ok) {
            FailBroken(status == MailSocket::Status::TooLong
                           ? QStringLiteral("POP3 サーバー %1 の応答行が長すぎます").arg(socket_.PeerLabel())
                           : socket_.Error());
            return -1;
        }
        if (line.startsWith("+OK"))
            break;
        if (line.startsWith("-ERR")) {
            // [SYS/TEMP] and [IN-USE] say nothing about the token; anything else after it was
            // sent is the server's no to the token (some answer without the JSON challenge).
            const bool serverTrouble = line.contains("[SYS/") || line.contains("[IN-USE]");
            if (responded && !serverTrouble)
                bearerResult_ = BearerResult::TokenRefused;
            Fail(loginFailed + ServerReplyText(line));
            return -1;
        }
        if (!line.startsWith("+")) {
            FailBroken(QStringLiteral("POP3 サーバー %1 の応答が正しくありません: %2")
                           .arg(socket_.PeerLabel(), ServerReplyText(line)));
            return -1;
        }
        // A challenge: first the empty one asking for the response, then at most one with the
        // server's error in JSON, which must be answered before the failure comes.
        QByteArray answer;
        if (!responded) {
            answer = response.toBase64();
            responded = true;
        } else if (!refusedByChallenge) {
            answer = BearerErrorAnswer(mechanism);
            refusedByChallenge = true;
        } else {
            answer = "*";
        }
        if (!socket_.Write(answer + "\r\n")) {
            FailBroken();
            return -1;
        }
    }
    if (!socket_.Write(pipelining_ ? QByteArray("STAT\r\nLIST\r\n") : QByteArray("STAT\r\n"))) {
        FailBroken();
        return -1;
    }
    bearerResult_ = BearerResult::LoggedIn;
    return ReadMailCount(pipelining_);
}

} // namespace ricorne
