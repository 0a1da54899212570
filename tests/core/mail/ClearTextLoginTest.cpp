// A password goes readable over the wire only when the user asked for it (pop3:// or smtp://
// written out) or by a challenge (APOP, CRAM-MD5); a server that once offered TLS and no longer
// does gets no login at all.
#include "FakePop3.h"
#include "FakeSmtp.h"
#include "TestServers.h"
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
    QString Server(const FakeServer& server, const char* scheme) const {
        return GetParam().explicitPlain ? server.Url(scheme) : server.Address();
    }
    void Remember(const char* protocol, const FakeServer& server) const {
        if (GetParam().remembered) {
            ASSERT_TRUE(TlsMemory(memoryFile_)
                            .Remember(QString::fromLatin1(protocol),
                                      ParseServerAddress(server.Address(), MailProtocol::Pop3)));
        }
    }
    QTemporaryDir dir_;
    QString memoryFile_;
};

TEST_P(ClearTextLogin, Pop3) {
    const LoginCase& c = GetParam();
    FakePop3 pop3;
    pop3.mails = {"Subject: x\r\n\r\nx\r\n"};
    FakeServer server([&](FakeConnection& conn) { pop3.Serve(conn); });
    Remember("POP3", server);
    Pop3Client::Options o;
    o.timeouts.idleMs = 2000;
    o.tlsMemoryFile = memoryFile_;
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(Server(server, "pop3")));
    const int count = client.Login(QStringLiteral("alice"), QStringLiteral("秘密pw"), c.challenge);
    client.Quit();
    if (!*c.expected) {
        EXPECT_EQ(count, 1) << client.Error().toStdString();
        return;
    }
    EXPECT_EQ(count, -1);
    EXPECT_TRUE(client.Error().contains(QString::fromUtf8(c.expected))) << client.Error().toStdString();
    EXPECT_FALSE(server.ReceivedLineStartingWith("USER"));
    EXPECT_FALSE(server.ReceivedLineStartingWith("PASS"));
    EXPECT_FALSE(server.ReceivedLineStartingWith("APOP"));
}

TEST_P(ClearTextLogin, Smtp) {
    const LoginCase& c = GetParam();
    FakeSmtp smtp;
    if (c.challenge)
        smtp.ehlo = {"250-fake", "250 AUTH CRAM-MD5"};
    else
        smtp.ehlo = {"250-fake", "250 AUTH PLAIN LOGIN"};
    FakeServer server([&](FakeConnection& conn) { smtp.Serve(conn); });
    Remember("SMTP", server);
    SmtpClient::Options o;
    o.timeouts.idleMs = 2000;
    o.tlsMemoryFile = memoryFile_;
    SmtpClient client(o);
    const bool sent = client.Send(Server(server, "smtp"), QStringLiteral("alice"), QStringLiteral("秘密pw"),
                                  QStringLiteral("a@x"), {QStringLiteral("b@x")}, "Subject: x\r\n\r\nx");
    if (!*c.expected) {
        EXPECT_TRUE(sent) << client.Error().toStdString();
        EXPECT_EQ(client.UsedAuthMechanism(),
                  c.challenge ? QStringLiteral("CRAM-MD5") : QStringLiteral("PLAIN"));
        return;
    }
    EXPECT_FALSE(sent);
    EXPECT_TRUE(client.Error().contains(QString::fromUtf8(c.expected))) << client.Error().toStdString();
    EXPECT_FALSE(server.ReceivedLineStartingWith("AUTH"));
    EXPECT_FALSE(server.ReceivedLineStartingWith("DATA"));
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
