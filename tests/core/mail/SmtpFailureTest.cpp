// SMTP engine against our own scripted server: replies real servers will not give on demand.
#include "FakeSmtp.h"
#include "TestServers.h"
#include "Transcript.h"
#include "core/mail/SmtpClient.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

class SmtpFailure : public ::testing::Test {
protected:
    void SetUp() override { EnsureCoreApplication(); }
    std::unique_ptr<FakeServer> Start() {
        return std::make_unique<FakeServer>([this](FakeConnection& c) { smtp_.Serve(c); });
    }
    SmtpClient::Options Options() const {
        SmtpClient::Options o;
        o.timeouts.connectMs = 2000;
        o.timeouts.idleMs = 2000;
        return o;
    }
    FakeSmtp smtp_;
};

TEST(SmtpData, StuffsDotsAndEndsEveryLineWithCrLf) {
    EXPECT_EQ(SmtpClient::DataBlock("a\r\n.b\n..c\rd"), QByteArray("a\r\n..b\r\n...c\r\nd\r\n.\r\n"));
    EXPECT_EQ(SmtpClient::DataBlock(".\r\n"), QByteArray("..\r\n.\r\n"));
    EXPECT_EQ(SmtpClient::DataBlock(""), QByteArray(".\r\n"));
    EXPECT_EQ(SmtpClient::DataBlock("x\r\n\r\n"), QByteArray("x\r\n\r\n.\r\n"));
}

TEST_F(SmtpFailure, AddressesCanNeverInjectCommands) {
    auto server = Start();
    SmtpClient client(Options());
    const QStringList evil = {QStringLiteral("bob@x\r\nRCPT TO:<eve@x>"), QStringLiteral("bob@x>\nDATA"),
                              QStringLiteral("a b@x"), QStringLiteral("日本@x")};
    for (const QString& to : evil) {
        EXPECT_FALSE(
            client.Send(server->Url("smtp"), {}, {}, QStringLiteral("a@x"), {to}, "Subject: x\r\n\r\nx"));
        EXPECT_TRUE(client.Error().startsWith(QStringLiteral("送信先のメールアドレスが正しくありません")));
    }
    EXPECT_FALSE(client.Send(server->Url("smtp"), {}, {}, QStringLiteral("a@x\r\nRSET"),
                             {QStringLiteral("b@x")}, "x"));
    EXPECT_FALSE(client.Send(server->Url("smtp"), QStringLiteral("u\r\nMAIL FROM:<e@x>"), QStringLiteral("p"),
                             QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"));
    EXPECT_FALSE(server->ReceivedLineStartingWith("RCPT TO:<eve"));
    EXPECT_FALSE(server->ReceivedLineStartingWith("MAIL FROM:<e@"));
    EXPECT_FALSE(server->ReceivedLineStartingWith("DATA"));
}

// The envelope goes out in one write; CRAM-MD5 is chosen on a plain connection.
TEST_F(SmtpFailure, PipelinesTheEnvelopeAndSendsTheMessageStuffed) {
    TranscriptPeer peer({{Server, "220 fake ESMTP"},
                         {Client, "EHLO [127.0.0.1]"},
                         {Server, "250-fake"},
                         {Server, "250-PIPELINING"},
                         {Server, "250-AUTH PLAIN LOGIN CRAM-MD5"},
                         {Server, "250 8BITMIME"},
                         {Client, "AUTH CRAM-MD5"},
                         {Server, "334 " + QByteArray("<1896.697170952@fake>").toBase64()},
                         {Client, QByteArray("user 55dd74d44cc967dfa9a950ed8fefd4d3").toBase64()},
                         {Server, "235 ok"},
                         {Client, "MAIL FROM:<a@x>"},
                         {Client, "RCPT TO:<b@x>"},
                         {Client, "RCPT TO:<c@x>"},
                         {Server, "250 ok"},
                         {Server, "250 ok"},
                         {Server, "250 ok"},
                         {Client, "DATA"},
                         {Server, "354 go ahead"},
                         {Client, "Subject: s"},
                         {Client, ""},
                         {Client, "..dot"},
                         {Client, "line"},
                         {Client, "."},
                         {Server, "250 2.0.0 queued"},
                         {Client, "QUIT"},
                         {Server, "221 bye"}});
    SmtpClient client(Options());
    ASSERT_TRUE(client.Send(peer.Url("smtp"), QStringLiteral("user"), QStringLiteral("pw"),
                            QStringLiteral("a@x"), {QStringLiteral("b@x"), QStringLiteral("c@x")},
                            "Subject: s\r\n\r\n.dot\nline"))
        << client.Error().toStdString();
    EXPECT_TRUE(client.UsedPipelining());
    EXPECT_EQ(client.UsedAuthMechanism(), QStringLiteral("CRAM-MD5"));
    EXPECT_EQ(peer.Check(), "");
}

// A batch keeps one session: one connection and one login for many mails. A kept session the
// server drops before the message goes out is replaced and the mail still goes, exactly once;
// another login never rides on the kept session.
TEST_F(SmtpFailure, AKeptSessionCarriesABatchAndIsReplacedWhenDropped) {
    int mailCommands = 0;
    smtp_.answer = [&mailCommands](const QByteArray& c) -> QByteArray {
        if (c.startsWith("MAIL FROM") && ++mailCommands == 3)
            return "drop";
        return {};
    };
    auto server = Start();
    SmtpClient client(Options());
    client.SetKeepSession(true);
    for (int i = 1; i <= 4; ++i) {
        const QByteArray text = "m" + QByteArray::number(i);
        ASSERT_TRUE(client.Send(server->Url("smtp"), QStringLiteral("user"), QStringLiteral("pw"),
                                QStringLiteral("a@x"), {QStringLiteral("b@x")},
                                "Subject: " + text + "\r\n\r\n" + text))
            << i << ": " << client.Error().toStdString();
    }
    EXPECT_EQ(server->Connections(), 2);
    ASSERT_TRUE(client.Send(server->Url("smtp"), QStringLiteral("other"), QStringLiteral("pw2"),
                            QStringLiteral("a@x"), {QStringLiteral("b@x")}, "Subject: m5\r\n\r\nm5"));
    EXPECT_EQ(server->Connections(), 3);
    client.EndSession();
    EXPECT_TRUE(server->ReceivedLineStartingWith("QUIT"));
    server.reset();
    EXPECT_EQ(smtp_.data, QByteArray("Subject: m1\r\n\r\nm1\r\nSubject: m2\r\n\r\nm2\r\n"
                                     "Subject: m3\r\n\r\nm3\r\nSubject: m4\r\n\r\nm4\r\n"
                                     "Subject: m5\r\n\r\nm5\r\n"));
}

// Servers cap the mails of one session; a kept session starts afresh well before.
TEST_F(SmtpFailure, AKeptSessionEndsAfterItsShareOfMails) {
    auto server = Start();
    SmtpClient client(Options());
    client.SetKeepSession(true);
    for (int i = 1; i <= SmtpClient::kMailsPerSession + 1; ++i)
        ASSERT_TRUE(
            client.Send(server->Url("smtp"), {}, {}, QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"))
            << i << ": " << client.Error().toStdString();
    EXPECT_EQ(server->Connections(), 2);
}

TEST_F(SmtpFailure, FallsBackToHeloAndSkipsAuthWhenNotOffered) {
    TranscriptPeer peer({{Server, "220 fake ESMTP"},
                         {Client, "EHLO [127.0.0.1]"},
                         {Server, "502 5.5.1 command not implemented"},
                         {Client, "HELO [127.0.0.1]"},
                         {Server, "250 ok"},
                         {Client, "MAIL FROM:<a@x>"},
                         {Server, "250 ok"},
                         {Client, "RCPT TO:<b@x>"},
                         {Server, "250 ok"},
                         {Client, "DATA"},
                         {Server, "354 go ahead"},
                         {Client, "x"},
                         {Client, "."},
                         {Server, "250 2.0.0 queued"},
                         {Client, "QUIT"},
                         {Server, "221 bye"}});
    SmtpClient client(Options());
    ASSERT_TRUE(client.Send(peer.Url("smtp"), QStringLiteral("user"), QStringLiteral("pw"),
                            QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"))
        << client.Error().toStdString();
    EXPECT_TRUE(client.UsedAuthMechanism().isEmpty());
    EXPECT_FALSE(client.UsedPipelining());
    EXPECT_EQ(peer.Check(), "");
}

TEST_F(SmtpFailure, FailuresCarryTheServersReply) {
    struct Case {
        const char* command;
        const char* reply;
        const char* expected;
    };
    const Case cases[] = {
        {"MAIL", "553 5.1.8 sender domain does not exist",
         "SMTP サーバーが送信者 a@x を受け付けません: 553 5.1.8"},
        {"DATA", "554 5.5.1 no valid recipients", "メールを送信できません: 554 5.5.1 no valid recipients"},
        {".", "", ""},
        {"AUTH", "535 5.7.8 authentication failed", "SMTP サーバーにログインできません: 535 5.7.8"},
    };
    for (const Case& c : cases) {
        if (!*c.reply)
            continue;
        SCOPED_TRACE(c.command);
        const QByteArray command = c.command;
        const QByteArray reply = c.reply;
        smtp_.answer = [command, reply](const QByteArray& line) {
            return line.startsWith(command) ? reply : QByteArray();
        };
        auto server = Start();
        SmtpClient client(Options());
        EXPECT_FALSE(client.Send(server->Url("smtp"), QStringLiteral("u"), QStringLiteral("p"),
                                 QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"));
        EXPECT_TRUE(client.Error().startsWith(QString::fromUtf8(c.expected))) << client.Error().toStdString();
    }
    // A greeting that refuses.
    smtp_.answer = nullptr;
    smtp_.greeting = "554 5.7.1 go away";
    auto server = Start();
    SmtpClient client(Options());
    EXPECT_FALSE(
        client.Send(server->Url("smtp"), {}, {}, QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("554 5.7.1 go away")));
}

TEST_F(SmtpFailure, StalledOrDroppedServerFailsInTime) {
    smtp_.answer = [](const QByteArray& c) -> QByteArray {
        return c.startsWith("RCPT") ? QByteArray("drop") : QByteArray();
    };
    auto server = Start();
    SmtpClient client(Options());
    EXPECT_FALSE(
        client.Send(server->Url("smtp"), {}, {}, QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("接続が切れました"))) << client.Error().toStdString();

    FakeServer silent([](FakeConnection& c) { c.WaitClosed(5000); });
    SmtpClient::Options o = Options();
    o.timeouts.idleMs = 300;
    SmtpClient quiet(o);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(quiet.Send(silent.Url("smtp"), {}, {}, QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(quiet.Error().contains(QStringLiteral("応答がありません"))) << quiet.Error().toStdString();
}

TEST_F(SmtpFailure, GarbageRepliesFail) {
    smtp_.greeting = "HTTP/1.1 400 Bad Request";
    auto server = Start();
    SmtpClient client(Options());
    EXPECT_FALSE(
        client.Send(server->Url("smtp"), {}, {}, QStringLiteral("a@x"), {QStringLiteral("b@x")}, "x"));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("応答が正しくありません")));
}

} // namespace
