// A server written as a bare host finds its TLS port by itself against the real Dovecot (the
// port list pointed at the suite's ports, a closed port first), and what worked is written back
// into klmail.ini; the account check names the step that failed, in Japanese.
#include "TempAppDir.h"
#include "TestServers.h"
#include "core/mail/NMail.h"
#include "core/mail/TlsMemory.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"

#include <QFile>
#include <QTcpServer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

// A port on 127.0.0.1 that nothing listens on: connecting is refused at once.
quint16 ClosedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

class TlsDiscoveryServer : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        if (HarnessDir().isEmpty())
            GTEST_SKIP() << "mail test servers not running";
        ASSERT_TRUE(app_.IsValid());
        ASSERT_TRUE(ClearMaildir(u"alice"_s));
        ASSERT_TRUE(InstallCaCertificate(app_.DataDir()));
        ASSERT_TRUE(SaveCredentials(u"alice"_s, u"secret1"_s, true));
    }
    static QByteArray SettingsFile() {
        QFile f(ResolvePath(ServerSettingsFile()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TempAppDir app_;
    NMail mail_;
};

struct DiscoveryRow {
    bool pop3;
    TlsCandidate found;
    const char* written; // in klmail.ini afterwards
    bool remembered;     // in tls-servers.txt (STLS / STARTTLS seen)
};

class TlsDiscoveryRows : public TlsDiscoveryServer, public ::testing::WithParamInterface<DiscoveryRow> {};

TEST_P(TlsDiscoveryRows, BareHostTakesTheFirstPortWithTlsAndIsWrittenBackExplicitly) {
    const DiscoveryRow row = GetParam();
    const MailProtocol protocol = row.pop3 ? MailProtocol::Pop3 : MailProtocol::Smtp;
    mail_.SetTlsCandidates(protocol, {{ClosedPort(), true}, row.found});
    AccountSettings().Pop3Server = u"localhost"_s;
    AccountSettings().SmtpServer = u"localhost"_s;
    AccountSettings().FromAddress = u"alice@localhost"_s;
    ASSERT_TRUE(SaveServerSettings());

    if (row.pop3) {
        const int handle = mail_.NMailPop3Connect(u"localhost"_s);
        ASSERT_GT(handle, 0) << mail_.NMailGetMessage().toStdString();
        EXPECT_EQ(mail_.NMailPop3Authenticate(handle, u"alice"_s, u"secret1"_s, 0), 0);
        EXPECT_EQ(mail_.NMailPop3Close(handle), 1);
    } else {
        ASSERT_EQ(mail_.NMailSmtpSendMail(u"localhost"_s, u"bob@localhost"_s, u"alice@localhost"_s, u"件名"_s,
                                          u"本文"_s, {}),
                  1)
            << mail_.NMailGetMessage().toStdString();
    }
    const QString written = QString::fromLatin1(row.written);
    EXPECT_EQ(row.pop3 ? AccountSettings().Pop3Server : AccountSettings().SmtpServer, written);
    EXPECT_TRUE(SettingsFile().contains((row.pop3 ? "POP3=" : "SMTP=") + written.toLatin1() + "\r\n"))
        << SettingsFile().toStdString();
    // The other field was not touched.
    EXPECT_EQ(row.pop3 ? AccountSettings().SmtpServer : AccountSettings().Pop3Server, u"localhost"_s);
    ServerAddress address = ParseServerAddress(written, protocol);
    EXPECT_EQ(TlsMemory(app_.DataDir() + u'/' + TlsMemory::FileName())
                  .Remembers(row.pop3 ? u"POP3"_s : u"SMTP"_s, address),
              row.remembered);
}

INSTANTIATE_TEST_SUITE_P(
    Ports, TlsDiscoveryRows,
    ::testing::Values(DiscoveryRow{true, {quint16(kPop3sPort), true}, "pop3s://localhost:11995", false},
                      DiscoveryRow{true, {quint16(kPop3Port), false}, "localhost:11110", true},
                      DiscoveryRow{
                          false, {quint16(kSubmissionsPort), true}, "smtps://localhost:12465", false},
                      DiscoveryRow{false, {quint16(kSubmissionPort), false}, "localhost:12587", true}));

// No TLS on any port (OpenSMTPD's plain port, then a closed one): the port that answered is
// used under the rules of the bare form, and nothing is written back.
TEST_F(TlsDiscoveryServer, WithoutTlsAnywhereThePortThatAnsweredIsUsedAndNothingIsWritten) {
    mail_.SetTlsCandidates(MailProtocol::Smtp, {{quint16(kSmtpPort), false}, {ClosedPort(), false}});
    AccountSettings().SmtpServer = u"localhost"_s;
    ASSERT_TRUE(SaveServerSettings());
    const QByteArray before = SettingsFile();
    EXPECT_EQ(mail_.NMailSmtpSendMail(u"localhost"_s, u"bob@localhost"_s, u"alice@localhost"_s, u"平文"_s,
                                      u"暗号化なし"_s, {}),
              1)
        << mail_.NMailGetMessage().toStdString();
    EXPECT_EQ(AccountSettings().SmtpServer, u"localhost"_s);
    EXPECT_EQ(SettingsFile(), before);
}

TEST_F(TlsDiscoveryServer, NoPortAnsweringGivesOneTextNamingEveryPortTried) {
    const quint16 a = ClosedPort();
    mail_.SetTlsCandidates(MailProtocol::Pop3, {{a, true}, {a, false}});
    EXPECT_EQ(mail_.NMailPop3Connect(u"localhost"_s), -1);
    EXPECT_TRUE(mail_.NMailGetMessage().contains(u"ポート %1、%1 を試しました"_s.arg(a)))
        << mail_.NMailGetMessage().toStdString();
}

TEST_F(TlsDiscoveryServer, AccountCheckPassesOrNamesTheFailedStepWithHelpAndTheServersText) {
    AccountCheckInput input{u"pop3s://localhost:"_s + QString::number(kPop3sPort),
                            u"localhost:"_s + QString::number(kSubmissionPort),
                            u"alice@localhost"_s,
                            u"alice"_s,
                            u"secret1"_s,
                            false};
    AccountCheckReport report = mail_.NMailCheckAccount(input);
    EXPECT_TRUE(report.Ok()) << report.Text().toStdString();
    EXPECT_TRUE(report.Text().contains(u"接続・暗号化・ログイン・ログアウトを確認しました"_s));

    input.password = u"wrong"_s;
    report = mail_.NMailCheckAccount(input);
    EXPECT_FALSE(report.Ok());
    EXPECT_EQ(report.pop3.step, SessionStep::Login);
    EXPECT_EQ(report.smtp.step, SessionStep::Login);
    const QString text = report.Text();
    EXPECT_TRUE(text.contains(u"「ログイン」で失敗しました"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"ID かパスワードが違います"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"-ERR"_s)) << text.toStdString(); // the raw answer below the help

    // A plain port: TLS by STLS, the certificate checked against the test CA; without the CA
    // the TLS step fails.
    input.password = u"secret1"_s;
    input.pop3 = u"localhost:"_s + QString::number(kPop3Port);
    ASSERT_TRUE(QFile::remove(app_.DataDir() + u"/ca-certificates.pem"_s));
    report = mail_.NMailCheckAccount(input);
    EXPECT_FALSE(report.pop3.ok);
    EXPECT_EQ(report.pop3.step, SessionStep::Tls);
    EXPECT_TRUE(report.Text().contains(u"「暗号化 (証明書の確認)」で失敗しました"_s))
        << report.Text().toStdString();
}

} // namespace
