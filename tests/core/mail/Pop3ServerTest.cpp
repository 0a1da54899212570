// POP3 engine against the real Dovecot of the test servers.
#include "TestServers.h"
#include "core/mail/Pop3Client.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

QByteArray TestMail(int i, int bodyLines = 3) {
    QByteArray mail = "From: sender@example.jp\r\nTo: alice@localhost\r\nSubject: test " +
                      QByteArray::number(i) + "\r\nMessage-ID: <pop3." + QByteArray::number(i) +
                      "@ricorne>\r\n\r\n";
    for (int l = 0; l < bodyLines; ++l)
        mail += "line " + QByteArray::number(l) + " of mail " + QByteArray::number(i) + "\r\n";
    mail += "..a line that starts with a dot\r\n"; // as stored: dot-stuffing is the wire's business
    return mail;
}

class Pop3Server : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        if (HarnessDir().isEmpty())
            GTEST_SKIP() << "mail test servers not running";
        ASSERT_TRUE(ClearMaildir(QString::fromLatin1(kAlice.name)));
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(InstallCaCertificate(dir_.path()));
    }
    Pop3Client::Options Options(bool pipelining = true) const {
        Pop3Client::Options o;
        o.caFile = dir_.path() + QStringLiteral("/ca-certificates.pem");
        o.timeouts.connectMs = 10000;
        o.timeouts.idleMs = 10000;
        o.usePipelining = pipelining;
        return o;
    }
    static QString Port(int port) { return QStringLiteral("127.0.0.1:") + QString::number(port); }
    QTemporaryDir dir_;
    const QString alice_ = QString::fromLatin1(kAlice.name);
    const QString secret_ = QString::fromLatin1(kAlice.password);
};

// The same session with commands pipelined and one command at a time.
class Pop3ServerModes : public Pop3Server, public ::testing::WithParamInterface<bool> {
protected:
    bool Pipelining() const { return GetParam(); }
};

TEST_F(Pop3Server, LogsInEveryWayAndUsesTlsWhenOffered) {
    ASSERT_TRUE(DropMail(alice_, TestMail(1)));
    struct Case {
        QString server;
        bool apop;
    };
    const Case cases[] = {
        {Port(kPop3Port), false}, // USER/PASS after STLS
        {Port(kPop3Port), true},  // APOP after STLS
        {QStringLiteral("pop3://127.0.0.1:") + QString::number(kPop3Port), true},
        {QStringLiteral("pop3s://127.0.0.1:") + QString::number(kPop3sPort), false},
        {QStringLiteral("POP3S://localhost:") + QString::number(kPop3sPort), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server.toStdString() + (c.apop ? " APOP" : " USER"));
        Pop3Client client(Options());
        ASSERT_TRUE(client.Connect(c.server)) << client.Error().toStdString();
        EXPECT_TRUE(client.IsEncrypted());
        EXPECT_EQ(client.Login(alice_, secret_, c.apop), 1) << client.Error().toStdString();
        EXPECT_TRUE(client.Quit());
    }
}

class Pop3ServerLogins : public Pop3Server, public ::testing::WithParamInterface<bool> {};

TEST_P(Pop3ServerLogins, WrongPasswordCarriesTheServersReply) {
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(Port(kPop3Port)));
    EXPECT_EQ(client.Login(alice_, QStringLiteral("wrong"), GetParam()), -1);
    EXPECT_EQ(client.Error(),
              QStringLiteral("POP3 サーバーにログインできません: -ERR [AUTH] Authentication failed."));
    client.Quit();
}

TEST_F(Pop3Server, UntrustedCertificateFailsNamingTheServer) {
    // No extra file, and an extra file that names some other authority (then the system
    // store is tried as well): either way the self-signed certificate is refused.
    const QStringList system = QDir(QStringLiteral("/etc/ssl/certs")).entryList({QStringLiteral("*.pem")});
    for (const QString& caFile :
         {QString(), system.isEmpty() ? QString() : QStringLiteral("/etc/ssl/certs/") + system[0]}) {
        Pop3Client::Options o = Options();
        o.caFile = caFile;
        for (const QString& server :
             {Port(kPop3Port), QStringLiteral("pop3s://127.0.0.1:") + QString::number(kPop3sPort)}) {
            Pop3Client client(o);
            EXPECT_FALSE(client.Connect(server));
            EXPECT_TRUE(client.Error().contains(QStringLiteral("127.0.0.1"))) << client.Error().toStdString();
            EXPECT_TRUE(client.Error().contains(QStringLiteral("証明書"))) << client.Error().toStdString();
            EXPECT_EQ(client.Login(alice_, secret_, false), -1);
        }
    }
}

TEST_P(Pop3ServerModes, CountsSizesAndFetchesInServerOrder) {
    QList<QByteArray> mails;
    for (int i = 1; i <= 5; ++i) {
        mails << TestMail(i, i * 40);
        ASSERT_TRUE(DropMail(alice_, mails.last()));
    }
    Pop3Client client(Options(Pipelining()));
    ASSERT_TRUE(client.Connect(Port(kPop3Port)));
    EXPECT_EQ(client.UsesPipelining(), Pipelining());
    ASSERT_EQ(client.Login(alice_, secret_, false), 5);
    QSet<QString> uidls;
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(client.Size(n), mails[n - 1].size());
        QByteArray raw;
        ASSERT_TRUE(client.Retrieve(n, &raw)) << client.Error().toStdString();
        EXPECT_EQ(raw, mails[n - 1]);
        uidls.insert(client.Uidl(n));
    }
    EXPECT_EQ(uidls.size(), 5);
    EXPECT_FALSE(uidls.contains(QString()));
    QByteArray raw;
    EXPECT_FALSE(client.Retrieve(6, &raw));
    EXPECT_TRUE(client.Quit());
    EXPECT_EQ(MailFiles(alice_).size(), 5);
}

TEST_P(Pop3ServerModes, SessionEndedWithoutQuitDeletesNothing) {
    for (int i = 1; i <= 4; ++i)
        ASSERT_TRUE(DropMail(alice_, TestMail(i)));
    // A dropped connection: every mail fetched and marked, then no QUIT.
    Pop3Client dropped(Options(Pipelining()));
    ASSERT_TRUE(dropped.Connect(Port(kPop3Port)));
    ASSERT_EQ(dropped.Login(alice_, secret_, true), 4);
    for (int n = 1; n <= 4; ++n) {
        QByteArray raw;
        ASSERT_TRUE(dropped.Retrieve(n, &raw));
        EXPECT_TRUE(dropped.Delete(n));
    }
    dropped.Abort();
    EXPECT_FALSE(dropped.Delete(1));
    EXPECT_EQ(MailFiles(alice_).size(), 4);
}

TEST_F(Pop3Server, DeletionsAreCommittedByQuitOnly) {
    for (int i = 1; i <= 4; ++i)
        ASSERT_TRUE(DropMail(alice_, TestMail(i)));
    // QUIT commits exactly the mails asked for; the others keep their order.
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(Port(kPop3Port)));
    ASSERT_EQ(client.Login(alice_, secret_, false), 4);
    QByteArray raw;
    ASSERT_TRUE(client.Retrieve(1, &raw));
    EXPECT_TRUE(client.Delete(1));
    EXPECT_TRUE(client.Delete(3)); // deleting without fetching is the caller's choice
    EXPECT_EQ(MailFiles(alice_).size(), 4);
    EXPECT_TRUE(client.Quit()) << client.Error().toStdString();
    const QList<QByteArray> left = ReadMails(alice_);
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(left[0], TestMail(2));
    EXPECT_EQ(left[1], TestMail(4));
}

TEST_F(Pop3Server, EmptyMailboxAndUnknownUser) {
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(Port(kPop3Port)));
    EXPECT_EQ(client.Login(alice_, secret_, false), 0);
    EXPECT_TRUE(client.Quit());

    Pop3Client nobody(Options());
    ASSERT_TRUE(nobody.Connect(Port(kPop3Port)));
    EXPECT_EQ(nobody.Login(QStringLiteral("nobody"), QStringLiteral("x"), false), -1);
    EXPECT_TRUE(nobody.Error().startsWith(QStringLiteral("POP3 サーバーにログインできません: -ERR")));
}

INSTANTIATE_TEST_SUITE_P(Dovecot, Pop3ServerModes, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Pipelining" : "OneCommandAtATime";
                         });

INSTANTIATE_TEST_SUITE_P(Dovecot, Pop3ServerLogins, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Apop" : "UserPass";
                         });

} // namespace
