#include "core/mail/SmtpClient.h"

#include "core/mail/TlsMemory.h"

#include <QMessageAuthenticationCode>

namespace ricorne {

SmtpClient::SmtpClient() : SmtpClient(Options()) {}

SmtpClient::SmtpClient(Options options)
    : options_(std::move(options)), socket_(QStringLiteral("SMTP"), options_.timeouts, options_.caFile) {}

SmtpClient::~SmtpClient() {
    EndSession();
}

void SmtpClient::EndSession() {
    sessionKey_.clear();
    if (socket_.IsOpen())
        Close(true);
}

QString SmtpClient::Reply::Text() const {
    QStringList parts;
    for (const QByteArray& line : lines)
        parts << ServerReplyText(line);
    return parts.join(u' ');
}

bool SmtpClient::IsSafeAddress(const QString& address) {
    if (address.isEmpty() || address.size() > 512)
        return false;
    for (QChar c : address) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f || c == u'<' || c == u'>')
            return false;
    }
    return true;
}

QByteArray SmtpClient::DataBlock(const QByteArray& message) {
    QByteArray out;
    out.reserve(message.size() + message.size() / 50 + 8);
    bool lineStart = true;
    const qsizetype n = message.size();
    const char* data = message.constData();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = false;
    }
    if (!lineStart)
        out += "\r\n";
    out += ".\r\n";
    return out;
}

bool SmtpClient::Fail(const QString& text) {
    error_ = text;
    return false;
}

SmtpClient::Reply SmtpClient::ReadReply() {
    Reply reply;
    for (;;) {
        QByteArray line;
        const MailSocket::Status status = socket_.ReadLine(&line, 64 * 1024);
        if (status == MailSocket::Status::TooLong) {
            error_ = QStringLiteral("SMTP サーバー %1 の応答行が長すぎます").arg(socket_.PeerLabel());
            socket_.Abort();
            return {};
        }
        if (status != MailSocket::Status::Ok) {
            error_ = socket_.Error();
            return {};
        }
        bool ok = false;
        const int code = line.left(3).toInt(&ok);
        if (!ok || code < 200 || code > 599 || (line.size() > 3 && line[3] != ' ' && line[3] != '-') ||
            (reply.code != 0 && code != reply.code) || reply.lines.size() > 1000) {
            error_ = QStringLiteral("SMTP サーバー %1 の応答が正しくありません: %2")
                         .arg(socket_.PeerLabel(), ServerReplyText(line));
            socket_.Abort();
            return {};
        }
        reply.code = code;
        reply.lines << line;
        if (line.size() == 3 || line[3] == ' ')
            return reply;
    }
}

SmtpClient::Reply SmtpClient::Command(const QByteArray& command) {
    if (!socket_.Write(command + "\r\n")) {
        error_ = socket_.Error();
        return {};
    }
    return ReadReply();
}

bool SmtpClient::HasExtension(QStringView name) const {
    for (const QString& ext : extensions_) {
        const qsizetype space = ext.indexOf(u' ');
        if (QStringView(ext).left(space < 0 ? ext.size() : space).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QStringList SmtpClient::AuthMechanisms() const {
    QStringList mechanisms;
    for (const QString& ext : extensions_) {
        const QStringList words = ext.toUpper().split(u' ', Qt::SkipEmptyParts);
        if (!words.isEmpty() && (words[0] == QStringLiteral("AUTH") || words[0] == QStringLiteral("AUTH=")))
            mechanisms += words.mid(1);
        else if (!words.isEmpty() && words[0].startsWith(QStringLiteral("AUTH=")))
            mechanisms += words[0].mid(5);
    }
    return mechanisms;
}

bool SmtpClient::Hello() {
    const QString name = options_.heloName.isEmpty() ? socket_.LocalAddressLiteral() : options_.heloName;
    extensions_.clear();
    Reply reply = Command("EHLO " + name.toLatin1());
    if (reply.code == 0)
        return false;
    if (reply.code == 250) {
        for (qsizetype i = 1; i < reply.lines.size(); ++i)
            extensions_ << QString::fromLatin1(reply.lines[i].mid(4).trimmed());
        return true;
    }
    // An old server without ESMTP.
    reply = Command("HELO " + name.toLatin1());
    if (reply.code == 0)
        return false;
    if (reply.code != 250)
        return Fail(QStringLiteral("SMTP サーバー %1 が接続を受け付けません: %2")
                        .arg(socket_.PeerLabel(), reply.Text()));
    return true;
}

bool SmtpClient::AuthenticateWithToken(const QString& user, const QByteArray& token) {
    const QString failed = QStringLiteral("SMTP サーバーにログインできません: ");
    bearerResult_ = BearerResult::Failed;
    if (!socket_.IsEncrypted()) // never a token in the clear, whatever the server is called
        return Fail(BearerWithoutTlsText(QStringLiteral("SMTP"), ServerLabel(address_)));
    const QStringList offered = AuthMechanisms();
    const BearerMechanism mechanism = ChooseBearerMechanism(offered);
    if (mechanism == BearerMechanism::None)
        return Fail(failed + QStringLiteral("サーバーが OAuth のログイン (XOAUTH2、OAUTHBEARER) に"
                                            "対応していません (対応: %1)")
                                 .arg(offered.join(u' ')));
    const QByteArray response = BearerResponse(mechanism, user, token, address_.host, address_.port);
    if (response.isEmpty())
        return Fail(failed + QStringLiteral("ID かトークンに使えない文字が含まれています"));
    usedAuth_ = QString::fromLatin1(BearerMechanismName(mechanism));
    // The response on a line of its own: submission servers refuse an AUTH line over ~1 KB.
    Reply reply = Command("AUTH " + BearerMechanismName(mechanism));
    if (reply.code == 334)
        reply = Command(response.toBase64());
    bool refused = false;
    if (reply.code == 334) { // the server's error in JSON: answer it, then the failure follows
        refused = true;
        reply = Command(BearerErrorAnswer(mechanism));
    }
    if (reply.code == 0)
        return false;
    if (reply.code == 334) {
        Command("*");
        return Fail(failed + reply.Text());
    }
    if (reply.code == 235) {
        bearerResult_ = BearerResult::LoggedIn;
        return true;
    }
    // 535 is the no to the credentials; 454 and the like are the server's own trouble.
    if (refused || reply.code == 535)
        bearerResult_ = BearerResult::TokenRefused;
    return Fail(failed + reply.Text());
}

bool SmtpClient::Authenticate(const QString& user, const QString& password) {
    if (options_.tokenLogin)
        return AuthenticateWithToken(user, password.toLatin1());
    const QString failed = QStringLiteral("SMTP サーバーにログインできません: ");
    if (user.contains(u'\r') || user.contains(u'\n') || password.contains(u'\r') || password.contains(u'\n'))
        return Fail(failed + QStringLiteral("ID かパスワードに改行などの使えない文字が含まれています"));
    const QStringList offered = AuthMechanisms();
    // A password readable on the wire only with the user's say-so (smtp:// written out).
    const bool clearTextOk = socket_.IsEncrypted() || address_.plainAllowed;
    QString mechanism;
    if (!options_.authMechanism.isEmpty()) {
        mechanism = options_.authMechanism.toUpper();
    } else {
        // Over TLS the password is protected anyway; in the clear prefer the challenge.
        const QStringList preference =
            socket_.IsEncrypted()
                ? QStringList{QStringLiteral("PLAIN"), QStringLiteral("LOGIN"), QStringLiteral("CRAM-MD5")}
                : QStringList{QStringLiteral("CRAM-MD5"), QStringLiteral("PLAIN"), QStringLiteral("LOGIN")};
        for (const QString& m : preference) {
            if (offered.contains(m) && (clearTextOk || m == QStringLiteral("CRAM-MD5"))) {
                mechanism = m;
                break;
            }
        }
    }
    if (!clearTextOk && mechanism != QStringLiteral("CRAM-MD5"))
        return Fail(NoEncryptionText(QStringLiteral("SMTP"), address_));
    if (mechanism.isEmpty() || !offered.contains(mechanism))
        return Fail(
            failed +
            QStringLiteral("サーバーが対応している認証方式 (%1) を使えません").arg(offered.join(u' ')));
    usedAuth_ = mechanism;
    const QByteArray id = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    Reply reply;
    if (mechanism == QStringLiteral("PLAIN")) {
        reply = Command("AUTH PLAIN " + (QByteArray(1, '\0') + id + QByteArray(1, '\0') + secret).toBase64());
    } else if (mechanism == QStringLiteral("LOGIN")) {
        reply = Command("AUTH LOGIN");
        if (reply.code == 334)
            reply = Command(id.toBase64());
        if (reply.code == 334)
            reply = Command(secret.toBase64());
    } else {
        reply = Command("AUTH CRAM-MD5");
        if (reply.code == 334) {
            const QByteArray challenge = QByteArray::fromBase64(reply.lines.value(0).mid(4).trimmed());
            const QByteArray digest =
                QMessageAuthenticationCode::hash(challenge, secret, QCryptographicHash::Md5).toHex();
            reply = Command((id + ' ' + digest).toBase64());
        }
    }
    if (reply.code == 0)
        return false;
    if (reply.code == 334) { // a challenge we did not expect: cancel the exchange
        Command("*");
        return Fail(failed + reply.Text());
    }
    if (reply.code != 235)
        return Fail(failed + reply.Text());
    return true;
}

void SmtpClient::Close(bool polite) {
    if (polite && socket_.IsOpen()) {
        const QString keep = error_;
        Command("QUIT");
        error_ = keep;
    }
    socket_.Abort();
}

bool SmtpClient::Open(const ServerAddress& address) {
    error_.clear();
    address_ = address;
    step_ = SessionStep::Connect;
    if (!socket_.Connect(address)) {
        if (socket_.TlsFailed())
            step_ = SessionStep::Tls;
        return Fail(socket_.Error());
    }
    step_ = SessionStep::Capabilities;
    Reply reply = ReadReply();
    if (reply.code == 0) {
        Close(false);
        return false;
    }
    if (reply.code != 220) {
        error_ = QStringLiteral("SMTP サーバー %1 が接続を受け付けません: %2")
                     .arg(socket_.PeerLabel(), reply.Text());
        Close(true);
        return false;
    }
    if (!Hello()) {
        Close(true);
        return false;
    }
    if (!address.implicitTls && HasExtension(u"STARTTLS")) {
        step_ = SessionStep::Tls;
        reply = Command("STARTTLS");
        if (reply.code == 0) {
            Close(false);
            return false;
        }
        if (reply.code != 220) {
            error_ = QStringLiteral("SMTP サーバー %1 で TLS を開始できません: %2")
                         .arg(socket_.PeerLabel(), reply.Text());
            Close(true);
            return false;
        }
        if (!socket_.StartTls())
            return Fail(socket_.Error());
        TlsMemory(options_.tlsMemoryFile).Remember(QStringLiteral("SMTP"), address);
        step_ = SessionStep::Capabilities;
        if (!Hello()) { // what the server said before TLS no longer counts
            Close(true);
            return false;
        }
    }
    return true;
}

bool SmtpClient::Send(const QString& server, const QString& user, const QString& password,
                      const QString& envelopeFrom, const QStringList& recipients, const QByteArray& message) {
    error_.clear();
    usedPipelining_ = false;

    const ServerAddress address = ParseServerAddress(server, MailProtocol::Smtp);
    if (!address.ok)
        return Fail(QStringLiteral("SMTP サーバーの指定が正しくありません: %1").arg(server));
    if (!IsSafeAddress(envelopeFrom))
        return Fail(QStringLiteral("送信者のメールアドレスが正しくありません: %1").arg(envelopeFrom));
    if (recipients.isEmpty())
        return Fail(QStringLiteral("送信先のメールアドレスがありません"));
    QStringList bad;
    for (const QString& r : recipients) {
        if (!IsSafeAddress(r))
            bad << r;
    }
    if (!bad.isEmpty())
        return Fail(QStringLiteral("送信先のメールアドレスが正しくありません: %1")
                        .arg(bad.join(QStringLiteral("、"))));

    const QString key = server + QLatin1Char('\n') + user + QLatin1Char('\n') + password;
    if (keepSession_ && socket_.IsOpen() && sessionKey_ == key) {
        bool dropped = false;
        if (Transaction(envelopeFrom, recipients, message, &dropped))
            return true;
        if (!dropped)
            return false;
        // The server ended the kept session before it saw the message: nothing went out, so
        // a new session may send it.
        error_.clear();
    }
    sessionKey_.clear();
    if (!Connect(address, IsBareServer(server, MailProtocol::Smtp), user, password))
        return false;
    if (keepSession_)
        sessionKey_ = key;
    bool dropped = false;
    return Transaction(envelopeFrom, recipients, message, &dropped);
}

bool SmtpClient::OpenTrusted(const ServerAddress& address) {
    // Nothing but EHLO and STARTTLS has happened when a certificate is rejected, so trying
    // once more with the other trust cannot send anything twice.
    // The extra certificates are there for a private server, so they go first.
    const bool extra = socket_.HasExtraCa();
    socket_.SetTrust(extra ? MailSocket::Trust::ExtraFile : MailSocket::Trust::System);
    if (Open(address))
        return true;
    if (!extra || !socket_.CertificateRejected())
        return false;
    socket_.SetTrust(MailSocket::Trust::System);
    return Open(address);
}

bool SmtpClient::OpenBare(const ServerAddress& address) {
    const QList<TlsCandidate> candidates =
        options_.tlsCandidates.isEmpty() ? DefaultTlsCandidates(MailProtocol::Smtp) : options_.tlsCandidates;
    const TlsSearch search =
        FindTls(address, candidates, MailProtocol::Smtp,
                {[this](const ServerAddress& a) { return OpenTrusted(a); }, [this] { Close(true); },
                 [this] { return socket_.IsEncrypted(); }, [this] { return socket_.CertificateRejected(); },
                 [this] { return step_; }, [this] { return error_; }});
    if (search.open) {
        resolved_ = search.resolved;
        return true;
    }
    if (search.certificateRejected)
        return false;
    step_ = search.step;
    return Fail(QStringLiteral("SMTP サーバー %1 に接続できません (ポート %2 を試しました): %3")
                    .arg(address.host, search.tried, search.error));
}

bool SmtpClient::Connect(const ServerAddress& address, bool bare, const QString& user,
                         const QString& password) {
    extensions_.clear();
    encrypted_ = false;
    usedAuth_.clear();
    resolved_.clear();
    sessionMails_ = 0;
    if (!(bare ? OpenBare(address) : OpenTrusted(address)))
        return false;
    encrypted_ = socket_.IsEncrypted();
    if (!encrypted_ && TlsMemory(options_.tlsMemoryFile).Remembers(QStringLiteral("SMTP"), address_)) {
        error_ = TlsOfferGoneText(QStringLiteral("SMTP"), address_);
        Close(true);
        return false;
    }
    step_ = SessionStep::Login;
    if (HasExtension(u"AUTH") && !user.isEmpty() && !Authenticate(user, password)) {
        Close(true);
        return false;
    }

    return true;
}

bool SmtpClient::CheckLogin(const QString& server, const QString& user, const QString& password) {
    error_.clear();
    step_ = SessionStep::Connect;
    const ServerAddress address = ParseServerAddress(server, MailProtocol::Smtp);
    if (!address.ok)
        return Fail(QStringLiteral("SMTP サーバーの指定が正しくありません: %1").arg(server));
    sessionKey_.clear();
    if (!Connect(address, IsBareServer(server, MailProtocol::Smtp), user, password))
        return false;
    step_ = SessionStep::Logout;
    const Reply reply = Command("QUIT");
    socket_.Abort();
    if (reply.code == 0)
        return false;
    if (reply.code != 221)
        return Fail(QStringLiteral("SMTP サーバー %1 が QUIT を受け付けません: %2")
                        .arg(ServerLabel(address_), reply.Text()));
    return true;
}

bool SmtpClient::Transaction(const QString& envelopeFrom, const QStringList& recipients,
                             const QByteArray& message, bool* dropped) {
    *dropped = false;
    // The envelope. With PIPELINING MAIL and every RCPT go out together; DATA only after
    // every recipient was accepted, so a refusal never sends a partial mail.
    QByteArray mailFrom = "MAIL FROM:<" + envelopeFrom.toLatin1() + '>';
    if (HasExtension(u"SIZE"))
        mailFrom += " SIZE=" + QByteArray::number(message.size());
    bool eightBit = false;
    for (char c : message) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            eightBit = true;
            break;
        }
    }
    if (eightBit && HasExtension(u"8BITMIME"))
        mailFrom += " BODY=8BITMIME";
    QList<QByteArray> commands{mailFrom};
    for (const QString& r : recipients)
        commands << "RCPT TO:<" + r.toLatin1() + '>';
    QList<Reply> replies;
    usedPipelining_ = options_.usePipelining && HasExtension(u"PIPELINING");
    if (usedPipelining_) {
        QByteArray batch;
        for (const QByteArray& c : commands)
            batch += c + "\r\n";
        if (!socket_.Write(batch)) {
            error_ = socket_.Error();
            Close(false);
            *dropped = true;
            return false;
        }
        for (qsizetype i = 0; i < commands.size(); ++i) {
            replies << ReadReply();
            if (replies.last().code == 0) {
                Close(false);
                *dropped = true;
                return false;
            }
        }
    } else {
        for (const QByteArray& c : commands) {
            replies << Command(c);
            if (replies.last().code == 0) {
                Close(false);
                *dropped = true;
                return false;
            }
            if (replies.size() == 1 && replies[0].code != 250)
                break; // no point naming recipients after a refused sender
        }
    }
    if (replies[0].code != 250) {
        *dropped = replies[0].code == 421; // the server is closing the session
        error_ = QStringLiteral("SMTP サーバーが送信者 %1 を受け付けません: %2")
                     .arg(envelopeFrom, replies[0].Text());
        Command("RSET");
        Close(true);
        return false;
    }
    QStringList refused;
    for (qsizetype i = 1; i < replies.size(); ++i) {
        if (replies[i].code != 250 && replies[i].code != 251)
            refused << QStringLiteral("%1 (%2)").arg(recipients[i - 1], replies[i].Text());
    }
    if (!refused.isEmpty()) {
        error_ = QStringLiteral("SMTP サーバーが送信先を受け付けません: %1")
                     .arg(refused.join(QStringLiteral("、")));
        Command("RSET");
        Close(true);
        return false;
    }

    Reply reply = Command("DATA");
    if (reply.code == 0) {
        Close(false);
        *dropped = true;
        return false;
    }
    if (reply.code != 354) {
        error_ = QStringLiteral("メールを送信できません: %1").arg(reply.Text());
        Close(true);
        return false;
    }
    if (!socket_.Write(DataBlock(message))) {
        error_ = QStringLiteral("メールを送信できません: %1").arg(socket_.Error());
        Close(false);
        return false;
    }
    reply = ReadReply();
    if (reply.code == 0) {
        // The server may or may not have taken it; say so rather than guess.
        error_ = QStringLiteral("メールを送信できたか分かりません: %1").arg(error_);
        Close(false);
        return false;
    }
    if (reply.code != 250) {
        error_ = QStringLiteral("メールを送信できません: %1").arg(reply.Text());
        Close(true);
        return false;
    }
    // Servers limit the mails of one session (OpenSMTPD takes 100; a relay in front of it may
    // then fail the next one after its data went out): a kept session ends well before that.
    if (!keepSession_ || ++sessionMails_ >= kMailsPerSession)
        EndSession();
    return true;
}

} // namespace ricorne
