// SMTP engine against the real servers: OpenSMTPD (plain, no AUTH) and Dovecot's submission
// service (STARTTLS / SMTPS with AUTH), delivering into the maildirs.
#include "TestServers.h"
#include "core/mail/SmtpClient.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

class SmtpServer : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        if (HarnessDir().isEmpty())
            GTEST_SKIP() << "mail test servers not running";
        ASSERT_TRUE(ClearMaildir(alice_));
        ASSERT_TRUE(ClearMaildir(bob_));
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(InstallCaCertificate(dir_.path()));
    }
    SmtpClient::Options Options() const {
        SmtpClient::Options o;
        o.caFile = dir_.path() + QStringLiteral("/ca-certificates.pem");
        o.timeouts.connectMs = 10000;
        o.timeouts.idleMs = 10000;
        return o;
    }
    static QByteArray Message(const QByteArray& tag) {
        return "From: alice@localhost\r\nTo: bob@localhost\r\nSubject: " + tag + "\r\nMessage-ID: <" + tag +
               "@ricorne>\r\n\r\nbody of " + tag +
               "\r\n.a line starting with a dot\r\n.\r\nbare lf line\nlast line without end";
    }
    // What a mail looks like in the maildir after the trip: CR LF line ends, the dot line
    // kept, after the servers' own trace headers.
    static QByteArray Delivered(const QByteArray& tag) {
        return "body of " + tag + "\n.a line starting with a dot\n.\nbare lf line\nlast line without end\n";
    }
    static QByteArray Body(const QByteArray& mail) {
        QByteArray m = mail;
        m.replace("\r\n", "\n");
        return m.mid(m.indexOf("\n\n") + 2);
    }
    QTemporaryDir dir_;
    const QString alice_ = QString::fromLatin1(kAlice.name);
    const QString bob_ = QString::fromLatin1(kBob.name);
    const QString from_ = QStringLiteral("alice@localhost");
};

TEST_F(SmtpServer, SendsThroughEveryKindOfServer) {
    struct Case {
        QString server;
        bool auth;
        bool tls;
        QString mechanism;
    };
    const Case cases[] = {
        {QStringLiteral("127.0.0.1:") + QString::number(kSmtpPort), false, false, {}},
        {QStringLiteral("smtp://127.0.0.1:") + QString::number(kSubmissionPort), true, true, {}},
        {QStringLiteral("smtps://localhost:") + QString::number(kSubmissionsPort), true, true, {}},
        {QStringLiteral("127.0.0.1:") + QString::number(kSubmissionPort), true, true,
         QStringLiteral("LOGIN")},
        {QStringLiteral("127.0.0.1:") + QString::number(kSubmissionPort), true, true,
         QStringLiteral("CRAM-MD5")},
    };
    int sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server.toStdString() + ' ' + c.mechanism.toStdString());
        SmtpClient::Options o = Options();
        o.authMechanism = c.mechanism;
        SmtpClient client(o);
        const QByteArray tag = "case" + QByteArray::number(sent);
        ASSERT_TRUE(client.Send(c.server, alice_, QString::fromLatin1(kAlice.password), from_,
                                {QStringLiteral("bob@localhost")}, Message(tag)))
            << client.Error().toStdString();
        EXPECT_EQ(client.WasEncrypted(), c.tls);
        EXPECT_EQ(!client.UsedAuthMechanism().isEmpty(), c.auth);
        if (!c.mechanism.isEmpty()) {
            EXPECT_EQ(client.UsedAuthMechanism(), c.mechanism);
        }
        ++sent;
        ASSERT_TRUE(WaitForMails(bob_, sent));
    }
    const QList<QByteArray> mails = ReadMails(bob_);
    ASSERT_EQ(mails.size(), sent);
    QList<QByteArray> bodies;
    for (const QByteArray& m : mails)
        bodies << Body(m);
    for (int i = 0; i < sent; ++i)
        EXPECT_TRUE(bodies.contains(Delivered("case" + QByteArray::number(i)))) << i;
}

TEST_F(SmtpServer, RefusedRecipientsAreNamedAndNothingIsSent) {
    // Dovecot's submission pipelines (and asks OpenSMTPD about each recipient); OpenSMTPD
    // itself does not offer PIPELINING.
    const struct {
        int port;
        bool auth;
        bool pipelining;
    } cases[] = {{kSubmissionPort, true, true}, {kSmtpPort, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port);
        SmtpClient client(Options());
        EXPECT_FALSE(client.Send(QStringLiteral("127.0.0.1:") + QString::number(c.port),
                                 c.auth ? alice_ : QString(), QString::fromLatin1(kAlice.password), from_,
                                 {QStringLiteral("bob@localhost"), QStringLiteral("nosuchuser@localhost"),
                                  QStringLiteral("ghost@localhost")},
                                 Message("refused")));
        EXPECT_EQ(client.UsedPipelining(), c.pipelining);
        const QString error = client.Error();
        EXPECT_TRUE(error.startsWith(QStringLiteral("SMTP サーバーが送信先を受け付けません: ")))
            << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("nosuchuser@localhost (5"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("ghost@localhost (5"))) << error.toStdString();
        EXPECT_FALSE(error.contains(QStringLiteral("bob@localhost")));
    }
    EXPECT_FALSE(WaitForMails(bob_, 1, 300));
}

TEST_F(SmtpServer, LoginFailureCarriesTheReply) {
    SmtpClient client(Options());
    EXPECT_FALSE(client.Send(QStringLiteral("127.0.0.1:") + QString::number(kSubmissionPort), alice_,
                             QStringLiteral("wrong"), from_, {QStringLiteral("bob@localhost")},
                             Message("x")));
    EXPECT_TRUE(client.Error().startsWith(QStringLiteral("SMTP サーバーにログインできません: 535")))
        << client.Error().toStdString();
    // Submission without AUTH is refused at MAIL: the reply says why.
    SmtpClient anonymous(Options());
    EXPECT_FALSE(anonymous.Send(QStringLiteral("127.0.0.1:") + QString::number(kSubmissionPort), {}, {},
                                from_, {QStringLiteral("bob@localhost")}, Message("x")));
    EXPECT_TRUE(anonymous.Error().contains(QStringLiteral("530"))) << anonymous.Error().toStdString();
}

TEST_F(SmtpServer, UntrustedCertificateFails) {
    SmtpClient::Options o = Options();
    o.caFile.clear();
    SmtpClient client(o);
    EXPECT_FALSE(client.Send(QStringLiteral("smtps://127.0.0.1:") + QString::number(kSubmissionsPort), alice_,
                             QString::fromLatin1(kAlice.password), from_, {QStringLiteral("bob@localhost")},
                             Message("x")));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("証明書"))) << client.Error().toStdString();
    EXPECT_TRUE(client.Error().contains(QStringLiteral("127.0.0.1")));
}

} // namespace
