#include "core/mail/NMail.h"

#include "core/mail/FailureHelp.h"
#include "core/mail/Pop3Client.h"
#include "core/mail/SmtpClient.h"
#include "core/mail/TlsMemory.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/ParsedMail.h"
#include "core/oauth/OAuthTexts.h"
#include "core/oauth/OAuthTokens.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"

#if __has_include("core/mime/MimeBuilder.h")
#include "core/mime/MimeBuilder.h"
#define RICORNE_HAS_MIME_BUILDER 1
#endif

#include <QFile>

#include <functional>
#include <optional>

namespace ricorne {

namespace {
NMail* sharedOverride = nullptr;

QString Explained(const QString& text) {
    return ExplainMailFailure(text, SuggestProvider(AccountSettings().FromAddress));
}

// A login with the account's access token. attempt logs in with a token and says how it went;
// a token the server refuses is renewed once and tried again, never more (a fresh token that
// is refused too will not do better the next time round). *failure: why it did not work, when
// the engine's own text does not say it.
bool LoginWithAccessToken(const QString& address,
                          const std::function<BearerResult(const QByteArray& token)>& attempt,
                          QString* failure) {
    oauth::AccessToken access = oauth::CurrentAccessToken(address);
    for (int round = 0;; ++round) {
        if (!access.ok) {
            *failure = access.text;
            return false;
        }
        const BearerResult outcome = attempt(access.token);
        if (outcome == BearerResult::LoggedIn)
            return true;
        if (outcome != BearerResult::TokenRefused)
            return false;
        if (round == 1) {
            oauth::ForgetAccessToken();
            *failure = oauth::TokenStillRefusedText();
            return false;
        }
        access = oauth::CurrentAccessToken(address, true);
    }
}

// Why an attempt with a token failed: only a refused token is worth another try.
BearerResult FailedAttempt(BearerResult outcome) {
    return outcome == BearerResult::TokenRefused ? outcome : BearerResult::Failed;
}

// The login name for a token: the account ID, or the mail address when there is none.
QString TokenUser(const QString& id, const QString& address) {
    return id.trimmed().isEmpty() ? address.trimmed() : id;
}
} // namespace

NMail& SharedMail() {
    if (sharedOverride)
        return *sharedOverride;
    static NMail real;
    return real;
}

void SetSharedMail(NMail* mail) {
    sharedOverride = mail;
}

// The last fetched mail, read once: the texts and the attachments both come from this reading.
struct NMail::KeptMail {
    int handle = 0;
    int number = 0;
    ParsedMail mail;
};

NMail::NMail() = default;

NMail::~NMail() {
    NMailEndWinSock();
}

QString NMail::CaFile() const {
    if (!caFile_.isEmpty())
        return caFile_;
    return ResolvePath(u'\\' + MailDataDir() + QStringLiteral("\\ca-certificates.pem"));
}

// Servers that offered TLS before.
QString NMail::TlsMemoryFile() const {
    return ResolvePath(u'\\' + MailDataDir() + u'\\' + TlsMemory::FileName());
}

int NMail::NMailInitializeWinSock() {
    return 0;
}

int NMail::NMailSetOption(int, int) {
    return 0;
}

int NMail::NMailEndWinSock() {
    for (Pop3Client* session : std::as_const(sessions_)) {
        session->Abort();
        delete session;
    }
    sessions_.clear();
    kept_.reset();
    return 0;
}

Pop3Client* NMail::Session(int handle) {
    Pop3Client* session = sessions_.value(handle, nullptr);
    if (!session)
        message_ = QStringLiteral("POP3 サーバーに接続していません");
    return session;
}

int NMail::NMailPop3Connect(const QString& server) {
    Pop3Client::Options options;
    options.timeouts = timeouts_;
    options.caFile = CaFile();
    options.tlsMemoryFile = TlsMemoryFile();
    options.tlsCandidates = pop3Candidates_;
    auto session = std::make_unique<Pop3Client>(options);
    if (!session->Connect(server)) {
        message_ = Explained(session->Error());
        return -1;
    }
    AdoptResolvedServer(MailProtocol::Pop3, server, session->ResolvedServer());
    const int handle = nextHandle_++;
    sessions_.insert(handle, session.release());
    return handle;
}

int NMail::NMailPop3Authenticate(int handle, const QString& id, const QString& password, int apop) {
    Pop3Client* session = Session(handle);
    if (!session)
        return -1;
    const QString address = AccountSettings().FromAddress;
    if (oauth::AccountUsesOAuth(address)) {
        int count = -1;
        QString failure;
        LoginWithAccessToken(
            address,
            [&](const QByteArray& token) {
                count = session->LoginWithToken(TokenUser(id, address), token);
                return count >= 0 ? BearerResult::LoggedIn : FailedAttempt(session->BearerOutcome());
            },
            &failure);
        if (count < 0)
            message_ = failure.isEmpty() ? Explained(session->Error()) : failure;
        return count;
    }
    const int count = session->Login(id, password, apop != 0);
    if (count < 0)
        message_ = Explained(session->Error());
    return count;
}

bool NMail::Fetch(int handle, int number) {
    if (kept_ && kept_->handle == handle && kept_->number == number)
        return true;
    kept_.reset();
    Pop3Client* session = Session(handle);
    if (!session)
        return false;
    auto kept = std::make_unique<KeptMail>();
    QByteArray raw;
    if (!session->Retrieve(number, &raw)) {
        message_ = session->Error();
        return false;
    }
    kept->handle = handle;
    kept->number = number;
    kept->mail = ParseMail(raw);
    kept_ = std::move(kept);
    return true;
}

int NMail::NMailPop3GetMailStatus(int handle, int number, QString& subject, QString& date, QString& sender,
                                  QString& header) {
    if (!Fetch(handle, number)) {
        subject.clear();
        date.clear();
        sender.clear();
        header.clear();
        return -1;
    }
    subject = kept_->mail.decoded.subject;
    date = kept_->mail.decoded.date;
    sender = kept_->mail.decoded.from;
    header = kept_->mail.decoded.headerText;
    return 1;
}

int NMail::NMailPop3GetMail(int handle, int number, QString& subject, QString& date, QString& sender,
                            QString& header, QString& body) {
    if (NMailPop3GetMailStatus(handle, number, subject, date, sender, header) < 0) {
        body.clear();
        return -1;
    }
    body = kept_->mail.decoded.body;
    return 1;
}

int NMail::NMailPop3GetMailSize(int handle, int number) {
    Pop3Client* session = Session(handle);
    if (!session)
        return -1;
    const qint64 size = session->Size(number);
    if (size < 0) {
        message_ = QStringLiteral("メール %1 の大きさが分かりません").arg(number);
        return -1;
    }
    return int(qMin<qint64>(size, std::numeric_limits<int>::max()));
}

QString NMail::NMailPop3GetUidl(int handle, int number) {
    Pop3Client* session = Session(handle);
    if (!session)
        return {};
    const QString uidl = session->Uidl(number);
    if (uidl.isEmpty() && !session->Error().isEmpty())
        message_ = session->Error();
    return uidl;
}

int NMail::NMailPop3DeleteMail(int handle, int number) {
    Pop3Client* session = Session(handle);
    if (!session)
        return -1;
    if (!session->Delete(number)) {
        message_ = session->Error();
        return -1;
    }
    return 1;
}

int NMail::NMailPop3DeleteMails(int handle, const QList<int>& numbers) {
    Pop3Client* session = Session(handle);
    if (!session)
        return -1;
    const int accepted = session->DeleteAll(numbers);
    if (accepted < numbers.size())
        message_ = session->Error();
    return accepted;
}

int NMail::NMailPop3Close(int handle) {
    Pop3Client* session = sessions_.take(handle);
    if (!session) {
        message_ = QStringLiteral("POP3 サーバーに接続していません");
        return -1;
    }
    const bool ok = session->Quit();
    if (!ok)
        message_ = Explained(session->Error()); // the same text the failed login gave
    delete session;
    if (kept_ && kept_->handle == handle)
        kept_.reset();
    return ok ? 1 : -1;
}

int NMail::NMailAttachmentFileFirst(const QString& subject, const QString& date, const QString& sender,
                                    const QString& header, const QString& body, const QString& targetFolder,
                                    const QString& messagePath, const QString& messageText) {
    Q_UNUSED(subject);
    Q_UNUSED(date);
    Q_UNUSED(sender);
    Q_UNUSED(header);
    Q_UNUSED(body);
    Q_UNUSED(messageText);
    savedNames_.clear();
    ExtractResult result;
    if (kept_) {
        result = ExtractAttachments(kept_->mail, targetFolder, attachmentOptions_);
    } else {
        // The message file is the only copy: failing to read it is a failure, not "nothing to write".
        QFile file(messagePath);
        if (!file.open(QIODevice::ReadOnly)) {
            message_ = QStringLiteral("メールのファイル %1 を読めません").arg(messagePath);
            return -5;
        }
        result = ExtractAttachments(file.readAll(), targetFolder, attachmentOptions_);
    }
    savedNames_ = result.savedNames;
    if (result.code == -5 || result.code == -6)
        message_ = result.error;
    return result.code;
}

int NMail::NMailAttachmentFileClose() {
    kept_.reset();
    return 0;
}

void NMail::NMailSmtpBeginBatch() {
    smtpBatch_ = true;
}

void NMail::NMailSmtpEndBatch() {
    smtpBatch_ = false;
    batchClient_.reset(); // says QUIT
}

AccountCheckReport NMail::NMailCheckAccount(const AccountCheckInput& input) {
    AccountCheckReport report;
    report.pop3Server = input.pop3;
    report.smtpServer = input.smtp;
    report.address = input.address;
    {
        Pop3Client::Options options;
        options.timeouts = timeouts_;
        options.caFile = CaFile();
        options.tlsMemoryFile = TlsMemoryFile();
        options.tlsCandidates = pop3Candidates_;
        Pop3Client pop3(options);
        report.pop3.checked = true;
        QString failure;
        if (oauth::AccountUsesOAuth(input.address)) {
            report.pop3.ok =
                pop3.Connect(input.pop3) &&
                LoginWithAccessToken(
                    input.address,
                    [&](const QByteArray& token) {
                        return pop3.LoginWithToken(TokenUser(input.id, input.address), token) >= 0
                                   ? BearerResult::LoggedIn
                                   : FailedAttempt(pop3.BearerOutcome());
                    },
                    &failure) &&
                pop3.Quit();
        } else {
            report.pop3.ok = pop3.Connect(input.pop3) &&
                             pop3.Login(input.id, input.password, input.apop) >= 0 && pop3.Quit();
        }
        report.pop3.step = pop3.Step();
        report.pop3.error = failure.isEmpty() ? pop3.Error() : failure;
        report.pop3.resolved = pop3.ResolvedServer();
    }
    if (!input.smtp.trimmed().isEmpty()) {
        SmtpClient::Options options;
        options.timeouts = timeouts_;
        options.caFile = CaFile();
        options.tlsMemoryFile = TlsMemoryFile();
        options.tlsCandidates = smtpCandidates_;
        QString failure;
        options.tokenLogin = oauth::AccountUsesOAuth(input.address);
        SmtpClient smtp(options);
        report.smtp.checked = true;
        if (options.tokenLogin) {
            report.smtp.ok = LoginWithAccessToken(
                input.address,
                [&](const QByteArray& token) {
                    return smtp.CheckLogin(input.smtp, TokenUser(input.id, input.address),
                                           QString::fromLatin1(token))
                               ? BearerResult::LoggedIn
                               : FailedAttempt(smtp.BearerOutcome());
                },
                &failure);
        } else {
            report.smtp.ok = smtp.CheckLogin(input.smtp, input.id, input.password);
        }
        report.smtp.step = smtp.Step();
        report.smtp.error = failure.isEmpty() ? smtp.Error() : failure;
        report.smtp.resolved = smtp.ResolvedServer();
    }
    return report;
}

QString NMail::NMailGetMessage() const {
    return message_;
}

int NMail::NMailSmtpSendMail(const QString& server, const QString& to, const QString& from,
                             const QString& subject, const QString& body,
                             const QStringList& attachmentPaths) {
#ifdef RICORNE_HAS_MIME_BUILDER
    OutgoingMail mail;
    mail.from = from;
    mail.to = to;
    mail.subject = subject;
    mail.body = body;
    for (const QString& path : attachmentPaths)
        if (!path.isEmpty())
            mail.attachmentPaths << path;
    const BuiltMessage built = BuildMessage(mail);
    if (!built.ok) {
        message_ = built.error;
        return -1;
    }
    const Credentials account = ReadCredentials();
    const QString address = AccountSettings().FromAddress;
    SmtpClient::Options options;
    options.timeouts = timeouts_;
    options.caFile = CaFile();
    options.tlsMemoryFile = TlsMemoryFile();
    options.tlsCandidates = smtpCandidates_;
    options.tokenLogin = oauth::AccountUsesOAuth(address);
    std::optional<SmtpClient> single;
    if (smtpBatch_ && !batchClient_) {
        batchClient_ = std::make_unique<SmtpClient>(options);
        batchClient_->SetKeepSession(true);
    }
    SmtpClient& client = smtpBatch_ ? *batchClient_ : single.emplace(options);
    bool sent = false;
    QString failure;
    if (options.tokenLogin) {
        sent = LoginWithAccessToken(
            address,
            [&](const QByteArray& token) {
                return client.Send(server, TokenUser(account.AccountId, address), QString::fromLatin1(token),
                                   built.envelopeFrom, built.recipients, built.bytes)
                           ? BearerResult::LoggedIn
                           : FailedAttempt(client.BearerOutcome());
            },
            &failure);
    } else {
        sent = client.Send(server, account.AccountId, account.Password, built.envelopeFrom, built.recipients,
                           built.bytes);
    }
    AdoptResolvedServer(MailProtocol::Smtp, server, client.ResolvedServer());
    if (!sent) {
        message_ = failure.isEmpty() ? Explained(client.Error()) : failure;
        return -1;
    }
    return 1;
#else
    Q_UNUSED(server);
    Q_UNUSED(to);
    Q_UNUSED(from);
    Q_UNUSED(subject);
    Q_UNUSED(body);
    Q_UNUSED(attachmentPaths);
    message_ = QStringLiteral("メールを送信できません: 送信する機能がありません");
    return -1;
#endif
}

} // namespace ricorne
