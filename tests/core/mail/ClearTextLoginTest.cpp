// A password goes readable over the wire only when the user asked for it (pop3:// or smtp://
// written out) or by a challenge (APOP, CRAM-MD5); a server that once offered TLS and no longer
// does gets no login at all.
#include "TestServers.h"
#include "Transcript.h"
#include "core/mail/Pop3Client.h"
#include "core/mail/SmtpClient.h"
#include "core/mail/TlsMemory.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

struct LoginCase {
    const char* name;
    bool explicitPlain;   // server written with the scheme
    bool challenge;       // APOP (POP3) / only CRAM-MD5 offered (SMTP)
    bool remembered;      // the server offered TLS at an earlier session
    const char* expected; // empty: the login goes through; else part of the failure text
};

class ClearTextLogin : public ::testing::TestWithParam<LoginCase> {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        ASSERT_TRUE(dir_.isValid());
        memoryFile_ = dir_.filePath(TlsMemory::FileName());
    }
    QString ServerName(const TranscriptPeer& server, const char* scheme) const {
        return GetParam().explicitPlain ? server.Url(scheme) : server.Address();
    }
    void Remember(const char* protocol, const TranscriptPeer& server) const {
        if (GetParam().remembered) {
            ASSERT_TRUE(TlsMemory(memoryFile_)
                            .Remember(QString::fromLatin1(protocol),
                                      ParseServerAddress(server.Address(), MailProtocol::Pop3)));
        }
    }
    QTemporaryDir dir_;
    QString memoryFile_;
};

// A refused login ends the session before any credential goes out.
TEST_P(ClearTextLogin, Pop3) {
    const LoginCase& c = GetParam();
    const QByteArray password = QStringLiteral(u"秘密pw").toUtf8();
    Transcript login;
    if (!*c.expected) {
        login =
            c.challenge
                ? Transcript{{Client, "APOP alice 216b7bf725a044b69ca3d98e3ef6c6ca"}, {Server, "+OK"}}
                : Transcript{
                      {Client, "USER alice"}, {Server, "+OK"}, {Client, "PASS " + password}, {Server, "+OK"}};
        login =
            login + Transcript{{Client, "STAT"}, {Server, "+OK 1 0"}, {Client, "LIST"}, {Server, "+OK"},
                               {Server, "1 17"}, {Server, "."},       {Client, "QUIT"}, {Server, "+OK bye"}};
    }
    TranscriptPeer server(Transcript{{Server, "+OK fake ready <1896.697170952@fake.example>"},
                                     {Client, "CAPA"},
                                     {Server, "+OK"},
                                     {Server, "USER"},
                                     {Server, "UIDL"},
                                     {Server, "PIPELINING"},
                                     {Server, "."}} +
                          login);
    Remember("POP3", server);
    Pop3Client::Options o;
    o.timeouts.idleMs = 2000;
    o.tlsMemoryFile = memoryFile_;
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(ServerName(server, "pop3")));
    const int count = client.Login(QStringLiteral("alice"), QString::fromUtf8(password), c.challenge);
    client.Quit();
    if (!*c.expected) {
        EXPECT_EQ(count, 1) << client.Error().toStdString();
    } else {
        EXPECT_EQ(count, -1);
        EXPECT_TRUE(client.Error().contains(QString::fromUtf8(c.expected))) << client.Error().toStdString();
    }
    EXPECT_EQ(server.Check(), "");
}

TEST_P(ClearTextLogin, Smtp) {
    const LoginCase& c = GetParam();
    Transcript session;
    if (!*c.expected) {
        session =
            c.challenge
                ? Transcript{{Client, "AUTH CRAM-MD5"},
                             {Server, "334 " + QByteArray("<1896.697170952@fake>").toBase64()},
                             {Client, "YWxpY2UgYmE1ZTEyMTA4ZDU5YzkwYjZjNzFlODY4YjBmZDY2NmU="},
                             {Server, "235 ok"}}
                : Transcript{
                      {Client,
                       "AUTH PLAIN " +
                           QByteArray("\0alice\0", 7).append(QStringLiteral(u"秘密pw").toUtf8()).toBase64()},
                      {Server, "235 ok"}};
        session = session + Transcript{{Client, "MAIL FROM:<a@x>"},
                                       {Server, "250 ok"},
                                       {Client, "RCPT TO:<b@x>"},
                                       {Server, "250 ok"},
                                       {Client, "DATA"},
                                       {Server, "354 go ahead"},
                                       {Client, "Subject: x"},
                                       {Client, ""},
                                       {Client, "x"},
                                       {Client, "."},
                                       {Server, "250 2.0.0 queued"}};
    }
    TranscriptPeer server(Transcript{{Server, "220 fake ESMTP"},
                                     {Client, "EHLO [127.0.0.1]"},
                                     {Server, "250-fake"},
                                     {Server, c.challenge ? "250 AUTH CRAM-MD5" : "250 AUTH PLAIN LOGIN"}} +
                          session + Transcript{{Client, "QUIT"}, {Server, "221 bye"}});
    Remember("SMTP", server);
    SmtpClient::Options o;
    o.timeouts.idleMs = 2000;
    o.tlsMemoryFile = memoryFile_;
    SmtpClient client(o);
    const bool sent =
        client.Send(ServerName(server, "smtp"), QStringLiteral("alice"), QStringLiteral("秘密pw"),
                    QStringLiteral("a@x"), {QStringLiteral("b@x")}, "Subject: x\r\n\r\nx");
    if (!*c.expected) {
        EXPECT_TRUE(sent) << client.Error().toStdString();
        EXPECT_EQ(client.UsedAuthMechanism(),
                  c.challenge ? QStringLiteral("CRAM-MD5") : QStringLiteral("PLAIN"));
    } else {
        EXPECT_FALSE(sent);
        EXPECT_TRUE(client.Error().contains(QString::fromUtf8(c.expected))) << client.Error().toStdString();
    }
    EXPECT_EQ(server.Check(), "");
}

// An OAuth access token never goes out without TLS, not even to a server the user wrote
// "pop3://" or "smtp://": the session ends after the capabilities.
TEST(TokenLogin, NeverWithoutTls) {
    EnsureCoreApplication();
    const QByteArray token = "at_" + QByteArray(1500, 'x');
    {
        TranscriptPeer server(Transcript{{Server, "+OK fake ready"},
                                         {Client, "CAPA"},
                                         {Server, "+OK"},
                                         {Server, "SASL XOAUTH2 OAUTHBEARER"},
                                         {Server, "."}});
        Pop3Client client;
        ASSERT_TRUE(client.Connect(server.Url("pop3")));
        EXPECT_EQ(client.LoginWithToken(QStringLiteral("alice"), token), -1);
        EXPECT_EQ(client.BearerOutcome(), BearerResult::Failed) << "no reason to renew the token";
        EXPECT_TRUE(client.Error().contains(QStringLiteral(u"暗号化されていない")))
            << client.Error().toStdString();
        EXPECT_EQ(server.Check(), "");
    }
    TranscriptPeer server(Transcript{{Server, "220 fake ESMTP"},
                                     {Client, "EHLO [127.0.0.1]"},
                                     {Server, "250-fake"},
                                     {Server, "250 AUTH XOAUTH2 OAUTHBEARER"},
                                     {Client, "QUIT"},
                                     {Server, "221 bye"}});
    SmtpClient::Options o;
    o.tokenLogin = true;
    SmtpClient client(o);
    EXPECT_FALSE(client.Send(server.Url("smtp"), QStringLiteral("alice"), QString::fromLatin1(token),
                             QStringLiteral("a@x"), {QStringLiteral("b@x")}, "Subject: x\r\n\r\nx"));
    EXPECT_TRUE(client.Error().contains(QStringLiteral(u"暗号化されていない")))
        << client.Error().toStdString();
    EXPECT_EQ(server.Check(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Mail, ClearTextLogin,
    ::testing::Values(LoginCase{"BareHostRefusesAPasswordInTheClear", false, false, false, "暗号化"},
                      LoginCase{"WrittenOutSchemeAllowsIt", true, false, false, ""},
                      LoginCase{"ChallengeNeedsNoConsent", false, true, false, ""},
                      LoginCase{"OfferThatDisappearedStopsEvenWithConsent", true, false, true, "以前は"},
                      LoginCase{"OfferThatDisappearedStopsAChallengeToo", false, true, true, "以前は"}),
    [](const ::testing::TestParamInfo<LoginCase>& info) { return std::string(info.param.name); });

TEST(ClearTextLoginTexts, SayWhatToWriteToAllowIt) {
    const ServerAddress pop3 = ParseServerAddress(QStringLiteral("mail.example.jp"), MailProtocol::Pop3);
    const QString text = NoEncryptionText(QStringLiteral("POP3"), pop3);
    EXPECT_TRUE(text.contains(QStringLiteral("pop3://mail.example.jp:110"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("APOP"))) << text.toStdString();
    const ServerAddress smtp = ParseServerAddress(QStringLiteral("smtp.example.jp:587"), MailProtocol::Smtp);
    EXPECT_TRUE(NoEncryptionText(QStringLiteral("SMTP"), smtp)
                    .contains(QStringLiteral("smtp://smtp.example.jp:587")));
    EXPECT_TRUE(TlsOfferGoneText(QStringLiteral("SMTP"), smtp).contains(TlsMemory::FileName()));
}

TEST(TlsMemoryFile, RemembersEachServerOnceIgnoringHostCaseAndIsPrivate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const TlsMemory memory(dir.filePath(TlsMemory::FileName()));
    const ServerAddress a = ParseServerAddress(QStringLiteral("Mail.Example.JP"), MailProtocol::Pop3);
    const ServerAddress b = ParseServerAddress(QStringLiteral("mail.example.jp:1110"), MailProtocol::Pop3);
    EXPECT_FALSE(memory.Remembers(QStringLiteral("POP3"), a));
    ASSERT_TRUE(memory.Remember(QStringLiteral("POP3"), a));
    ASSERT_TRUE(memory.Remember(QStringLiteral("POP3"),
                                ParseServerAddress(QStringLiteral("mail.example.jp"), MailProtocol::Pop3)));
    EXPECT_TRUE(memory.Remembers(QStringLiteral("POP3"), a));
    EXPECT_FALSE(memory.Remembers(QStringLiteral("POP3"), b)); // another port is another server
    EXPECT_FALSE(memory.Remembers(QStringLiteral("SMTP"), a));
    QFile file(dir.filePath(TlsMemory::FileName()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("POP3 mail.example.jp:110\r\n"));
    EXPECT_EQ(file.permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());
    // Without a file name nothing is remembered and nothing written.
    EXPECT_TRUE(TlsMemory(QString()).Remember(QStringLiteral("POP3"), a));
    EXPECT_FALSE(TlsMemory(QString()).Remembers(QStringLiteral("POP3"), a));
}

} // namespace
