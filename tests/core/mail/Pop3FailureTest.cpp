// POP3 engine against our own misbehaving server: the failure paths a real server will not
// show on demand.
#include "FakePop3.h"
#include "TestServers.h"
#include "Transcript.h"
#include "core/mail/Pop3Client.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

QByteArray Mail(int i) {
    return "Subject: mail " + QByteArray::number(i) + "\r\n\r\nbody " + QByteArray::number(i) + "\r\n";
}

class Pop3Failure : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        pop3_.mails = {Mail(1), Mail(2), Mail(3)};
    }
    Pop3Client::Options Options() const {
        Pop3Client::Options o;
        o.timeouts.connectMs = 2000;
        o.timeouts.idleMs = 2000;
        return o;
    }
    std::unique_ptr<FakeServer> Start() {
        return std::make_unique<FakeServer>([this](FakeConnection& c) { pop3_.Serve(c); });
    }
    FakePop3 pop3_;
};

// The same session with commands pipelined and one command at a time.
class Pop3FailureModes : public Pop3Failure, public ::testing::WithParamInterface<bool> {
protected:
    bool Pipelining() const { return GetParam(); }
};

std::string ModeName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "Pipelining" : "OneCommandAtATime";
}

// The greeting and the capability list every session starts with.
Transcript Opening(const QByteArray& greeting, const QList<QByteArray>& capabilities) {
    Transcript t{{Server, greeting}, {Client, "CAPA"}, {Server, "+OK"}};
    for (const QByteArray& capability : capabilities)
        t.push_back({Server, capability});
    t.push_back({Server, "."});
    return t;
}
const QByteArray kGreeting = "+OK fake ready <1896.697170952@fake.example>";
const QList<QByteArray> kCapabilities = {"USER", "UIDL", "PIPELINING"};

// After the login: the count and sizes of the three mails of Mail(n).
const Transcript kThreeMails = {{Client, "STAT"}, {Server, "+OK 3 0"}, {Client, "LIST"}, {Server, "+OK"},
                                {Server, "1 27"}, {Server, "2 27"},    {Server, "3 27"}, {Server, "."}};
const Transcript kPlainLogin = {{Client, "USER u"}, {Server, "+OK"}, {Client, "PASS p"}, {Server, "+OK"}};

Transcript MailReply(int n) {
    return {{Server, "+OK"},
            {Server, "Subject: mail " + QByteArray::number(n)},
            {Server, ""},
            {Server, "body " + QByteArray::number(n)},
            {Server, "."}};
}
const Transcript kQuit = {{Client, "QUIT"}, {Server, "+OK bye"}};

TEST(ApopTimestamp, AcceptsOnlyPrintableStampsWithAnAt) {
    QByteArray stamp;
    EXPECT_TRUE(Pop3Client::ApopTimestamp("+OK ready <1896.697170952@dbc.mtview.ca.us>", &stamp));
    EXPECT_EQ(stamp, QByteArray("<1896.697170952@dbc.mtview.ca.us>"));
    EXPECT_TRUE(Pop3Client::ApopTimestamp("+OK Dovecot ready. <3cab.5.6b167183.BaNy+SL/Hi==@vm>", &stamp));
    EXPECT_EQ(stamp, QByteArray("<3cab.5.6b167183.BaNy+SL/Hi==@vm>"));
    for (const char* bad : {"+OK ready", "+OK <>", "+OK <nostamp>", "+OK <@host>", "+OK <id@>", "+OK <a b@c>",
                            "+OK <a\x01@c>", "+OK <a\xe3\x81\x82@c>", "+OK <unclosed@host", "+OK <a<b@c>"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Pop3Client::ApopTimestamp(bad, &stamp));
    }
}

TEST_F(Pop3Failure, ApopWithoutTimestampFailsAndNeverFallsBackToUserPass) {
    TranscriptPeer peer(Opening("+OK no stamp here", kCapabilities) + kQuit);
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(peer.Url("pop3")));
    EXPECT_EQ(client.Login(QStringLiteral("alice"), QStringLiteral("secret"), true), -1);
    EXPECT_TRUE(client.Error().startsWith(QStringLiteral("POP3 サーバーにログインできません: ")));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("APOP")));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("+OK no stamp here")));
    client.Quit();
    EXPECT_EQ(peer.Check(), "");
}

TEST_F(Pop3Failure, ApopSendsTheDigestOfStampAndPassword) {
    // The example of RFC 1939.
    TranscriptPeer peer(Opening("+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>", kCapabilities) +
                        Transcript{{Client, "APOP mrose c4c9334bac560ecc979e58001b3e22fb"}, {Server, "+OK"}} +
                        kThreeMails + kQuit);
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(peer.Url("pop3")));
    EXPECT_EQ(client.Login(QStringLiteral("mrose"), QStringLiteral("tanstaaf"), true), 3);
    client.Quit();
    EXPECT_EQ(peer.Check(), "");
}

TEST_F(Pop3Failure, LineBreaksInCredentialsNeverReachTheServer) {
    TranscriptPeer peer(Opening(kGreeting, kCapabilities) + kQuit);
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(peer.Url("pop3")));
    EXPECT_EQ(client.Login(QStringLiteral("alice"), QStringLiteral("pw\r\nDELE 1"), false), -1);
    client.Quit();
    EXPECT_EQ(peer.Check(), "");
}

// The three RETRs go out before the first mail comes back; each DELE after its mail.
TEST_F(Pop3Failure, PipelinesRetrAheadAndDeleAndCommitsAtQuit) {
    TranscriptPeer peer(Opening(kGreeting, kCapabilities) + kPlainLogin + kThreeMails +
                        Transcript{{Client, "RETR 1"}, {Client, "RETR 2"}, {Client, "RETR 3"}} +
                        MailReply(1) + MailReply(2) + MailReply(3) +
                        Transcript{{Client, "DELE 1"},
                                   {Server, "+OK deleted"},
                                   {Client, "DELE 2"},
                                   {Server, "+OK deleted"},
                                   {Client, "DELE 3"},
                                   {Server, "+OK deleted"}} +
                        kQuit);
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(peer.Url("pop3")));
    ASSERT_TRUE(client.UsesPipelining());
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    for (int n = 1; n <= 3; ++n) {
        QByteArray raw;
        ASSERT_TRUE(client.Retrieve(n, &raw)) << client.Error().toStdString();
        EXPECT_EQ(raw, Mail(n));
        EXPECT_TRUE(client.Delete(n));
    }
    EXPECT_TRUE(client.Quit());
    EXPECT_EQ(peer.Check(), "");
}

TEST_F(Pop3Failure, WithoutPipeliningOneCommandAtATime) {
    TranscriptPeer peer(Opening(kGreeting, {"USER"}) + kPlainLogin + kThreeMails +
                        Transcript{{Client, "RETR 1"}} + MailReply(1) +
                        Transcript{{Client, "DELE 1"}, {Server, "+OK deleted"}} + kQuit);
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(peer.Url("pop3")));
    EXPECT_FALSE(client.UsesPipelining());
    EXPECT_FALSE(client.IsEncrypted());
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QByteArray raw;
    ASSERT_TRUE(client.Retrieve(1, &raw));
    EXPECT_EQ(raw, Mail(1));
    EXPECT_TRUE(client.Delete(1));
    EXPECT_TRUE(client.Quit());
    EXPECT_EQ(peer.Check(), "");
}

TEST_F(Pop3Failure, DotStuffedAndOddLineEndsComeBackAsStored) {
    const QByteArray dots = "Subject: dots\r\n\r\n.\r\n..\r\n.leading\r\nend\r\n";
    pop3_.mails = {dots, "Subject: lf\n\nbare lf\n", dots + "\n.\n" + dots};
    pop3_.capabilities = {}; // and a server without CAPA
    // The third arrives a few bytes at a time, so lines, dots and line ends fall across reads.
    pop3_.onRetr = [this](FakeConnection& c, int n) {
        if (n != 3)
            return false;
        const QByteArray reply = "+OK\r\n" + FakePop3::Stuff(pop3_.mails[2]) + ".\r\n";
        for (qsizetype at = 0; at < reply.size(); at += 5) {
            c.Send(reply.mid(at, 5));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    };
    auto server = Start();
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QByteArray raw;
    ASSERT_TRUE(client.Retrieve(1, &raw));
    EXPECT_EQ(raw, pop3_.mails[0]);
    ASSERT_TRUE(client.Retrieve(2, &raw));
    EXPECT_EQ(raw, QByteArray("Subject: lf\r\n\r\nbare lf\r\n"));
    ASSERT_TRUE(client.Retrieve(3, &raw));
    EXPECT_EQ(raw, dots + "\r\n.\r\n" + dots);
    client.Quit();
}

TEST_P(Pop3FailureModes, ConnectionDroppedMidRetrDeletesNothing) {
    const bool pipelining = Pipelining();
    pop3_.onRetr = [](FakeConnection& c, int n) {
        if (n != 2)
            return false;
        c.Send("+OK\r\nSubject: half\r\n\r\nthe first half of a li");
        c.Close();
        return true;
    };
    auto server = Start();
    Pop3Client::Options o = Options();
    o.usePipelining = pipelining;
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QByteArray raw;
    ASSERT_TRUE(client.Retrieve(1, &raw));
    // With pipelining the drop may already show when DELE 1 goes out.
    EXPECT_TRUE(client.Delete(1) || pipelining);
    EXPECT_FALSE(client.Retrieve(2, &raw));
    EXPECT_TRUE(raw.isEmpty());
    if (!pipelining) {
        EXPECT_TRUE(client.Error().startsWith(QStringLiteral("メール 2 を受信できません: ")));
    }
    EXPECT_TRUE(client.Error().contains(QStringLiteral("接続が切れました"))) << client.Error().toStdString();
    EXPECT_TRUE(client.IsBroken());
    EXPECT_FALSE(client.Delete(2));
    EXPECT_FALSE(client.Retrieve(3, &raw));
    EXPECT_FALSE(client.Quit());
    server.reset();
    EXPECT_TRUE(pop3_.committedDeletes.isEmpty());
    EXPECT_FALSE(pop3_.quitSeen);
}

TEST_F(Pop3Failure, StalledServerTimesOut) {
    pop3_.onRetr = [](FakeConnection& c, int) {
        c.WaitClosed(5000); // never answers
        return true;
    };
    auto server = Start();
    Pop3Client::Options o = Options();
    o.timeouts.idleMs = 300;
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QElapsedTimer timer;
    timer.start();
    QByteArray raw;
    EXPECT_FALSE(client.Retrieve(1, &raw));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_TRUE(client.Error().contains(QStringLiteral("応答がありません"))) << client.Error().toStdString();
    EXPECT_FALSE(client.Quit());

    // A greeting that never comes.
    FakeServer silent([](FakeConnection& c) { c.WaitClosed(5000); });
    Pop3Client quiet(o);
    EXPECT_FALSE(quiet.Connect(silent.Url("pop3")));
    EXPECT_EQ(quiet.Login(QStringLiteral("u"), QStringLiteral("p"), false), -1);
}

TEST_F(Pop3Failure, ErrAtEachStepCarriesTheReply) {
    {
        pop3_.greeting = "-ERR [SYS/TEMP] too many connections";
        auto server = Start();
        Pop3Client client(Options());
        EXPECT_FALSE(client.Connect(server->Url("pop3")));
        EXPECT_TRUE(client.Error().contains(QStringLiteral("-ERR [SYS/TEMP] too many connections")));
        pop3_.greeting = FakePop3().greeting;
    }
    for (const QByteArray verb : {"USER", "PASS", "STAT"}) {
        SCOPED_TRACE(verb.constData());
        pop3_.onCommand = [verb](FakeConnection& c, const QByteArray& line) {
            if (!line.startsWith(verb))
                return false;
            c.SendLine("-ERR [IN-USE] mailbox locked by " + verb);
            return true;
        };
        auto server = Start();
        Pop3Client client(Options());
        ASSERT_TRUE(client.Connect(server->Url("pop3")));
        EXPECT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), -1);
        EXPECT_TRUE(client.Error().contains(QStringLiteral("-ERR [IN-USE] mailbox locked by ") +
                                            QString::fromLatin1(verb)))
            << client.Error().toStdString();
        client.Quit();
    }
}

TEST_P(Pop3FailureModes, RefusedRetrFailsThatMailOnlyAndItIsNeverDeleted) {
    pop3_.onRetr = [](FakeConnection& c, int n) {
        if (n != 2)
            return false;
        c.SendLine("-ERR message 2 is corrupt");
        return true;
    };
    auto server = Start();
    Pop3Client::Options o = Options();
    o.usePipelining = Pipelining();
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QByteArray raw;
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(client.Retrieve(n, &raw), n != 2);
        if (n == 2) {
            EXPECT_EQ(client.Error(), QStringLiteral("メール 2 を受信できません: -ERR message 2 is corrupt"));
            EXPECT_FALSE(client.Delete(2));
        } else {
            EXPECT_EQ(raw, Mail(n));
            EXPECT_TRUE(client.Delete(n));
        }
    }
    EXPECT_TRUE(client.Quit());
    server.reset();
    EXPECT_EQ(pop3_.committedDeletes, (QSet<int>{1, 3}));
}

TEST_F(Pop3Failure, GarbageRepliesEndTheSession) {
    pop3_.greeting = "* OK IMAP4rev1 server ready";
    {
        FakeServer server([this](FakeConnection& c) {
            c.SendLine(pop3_.greeting);
            c.WaitClosed(2000);
        });
        Pop3Client client(Options());
        EXPECT_FALSE(client.Connect(server.Url("pop3")));
        EXPECT_TRUE(client.Error().contains(QStringLiteral("応答が正しくありません")))
            << client.Error().toStdString();
        EXPECT_TRUE(client.Error().contains(QStringLiteral("* OK IMAP4rev1")));
    }
    pop3_.greeting = FakePop3().greeting;
    pop3_.onRetr = [](FakeConnection& c, int) {
        c.Send(QByteArray("\x00\xff\xfe garbage\r\n", 13));
        return true;
    };
    auto server = Start();
    Pop3Client client(Options());
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QByteArray raw;
    EXPECT_FALSE(client.Retrieve(1, &raw));
    EXPECT_TRUE(client.IsBroken());
    EXPECT_FALSE(client.Delete(1));
}

TEST_P(Pop3FailureModes, OversizedLinesAndMailsFailThatFetchOnly) {
    const QByteArray longLine(5000, 'x');
    pop3_.mails = {Mail(1),
                   "Subject: long\r\n\r\n" + longLine + "\r\n.\r\nafter\r\n",
                   Mail(3),
                   "Subject: big\r\n\r\n" +
                       QByteArray(20000, 'y').replace(QByteArray(100, 'y'), QByteArray(99, 'y') + "\n"),
                   Mail(5),
                   Mail(6)};
    pop3_.listSizes = {Mail(1).size(), 100, Mail(3).size(), 100, 999999, Mail(6).size()};
    auto server = Start();
    Pop3Client::Options o = Options();
    o.usePipelining = Pipelining();
    o.maxLineBytes = 1000;
    o.maxMailBytes = 10000;
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 6);
    QByteArray raw;
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE(n);
        const bool good = n == 1 || n == 3 || n == 6;
        EXPECT_EQ(client.Retrieve(n, &raw), good) << client.Error().toStdString();
        if (n == 2) {
            EXPECT_EQ(client.Error(),
                      QStringLiteral("メール 2 を受信できません: 1 行が 1000 バイト を超えています。"
                                     "メールはサーバーに残します。"));
        }
        if (n == 4 || n == 5) {
            EXPECT_TRUE(client.Error().contains(QStringLiteral("メールが 10000 バイト を超えています")));
        }
        EXPECT_EQ(client.Delete(n), good);
    }
    EXPECT_FALSE(server->Received().contains("RETR 5")); // LIST said it is too big
    EXPECT_TRUE(client.Quit());
    server.reset();
    EXPECT_EQ(pop3_.committedDeletes, (QSet<int>{1, 3, 6}));
}

TEST_F(Pop3Failure, EndlessRepliesAreCutOff) {
    Pop3Client::Options o = Options();
    o.maxLineBytes = 1000;
    o.maxMailBytes = 10000;
    {
        // A greeting line that never ends.
        FakeServer server([](FakeConnection& c) {
            const QByteArray chunk(4096, 'a');
            for (int i = 0; i < 10000 && c.Send(chunk); ++i) {
            }
        });
        Pop3Client client(o);
        EXPECT_FALSE(client.Connect(server.Url("pop3")));
        EXPECT_TRUE(client.Error().contains(QStringLiteral("長すぎます"))) << client.Error().toStdString();
    }
    // A mail that never ends: lines keep coming, the final "." never does.
    pop3_.onRetr = [](FakeConnection& c, int) {
        QByteArray chunk = "+OK\r\n";
        for (int i = 0; i < 100; ++i)
            chunk += QByteArray(98, 'x') + "\r\n";
        for (int i = 0; i < 10000 && c.Send(chunk); ++i)
            chunk = chunk.mid(chunk.startsWith("+OK") ? 5 : 0);
        return true;
    };
    auto server = Start();
    Pop3Client client(o);
    ASSERT_TRUE(client.Connect(server->Url("pop3")));
    ASSERT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), 3);
    QElapsedTimer timer;
    timer.start();
    QByteArray raw;
    EXPECT_FALSE(client.Retrieve(1, &raw));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_TRUE(client.Error().startsWith(QStringLiteral("メール 1 を受信できません: ")))
        << client.Error().toStdString();
    EXPECT_TRUE(client.IsBroken());
    EXPECT_FALSE(client.Delete(1));
}

TEST_F(Pop3Failure, RefusedStlsIsNeverADowngrade) {
    pop3_.capabilities = {"USER", "STLS"};
    pop3_.onCommand = [](FakeConnection& c, const QByteArray& line) {
        if (line != "STLS")
            return false;
        c.SendLine("-ERR TLS not available right now");
        return true;
    };
    auto server = Start();
    Pop3Client client(Options());
    EXPECT_FALSE(client.Connect(server->Url("pop3")));
    EXPECT_TRUE(client.Error().contains(QStringLiteral("-ERR TLS not available right now")));
    EXPECT_EQ(client.Login(QStringLiteral("u"), QStringLiteral("p"), false), -1);
    server.reset();
}

TEST_F(Pop3Failure, PlainTextSentAheadOfTlsIsRefused) {
    pop3_.capabilities = {"USER", "STLS"};
    pop3_.onCommand = [](FakeConnection& c, const QByteArray& line) {
        if (line != "STLS")
            return false;
        c.Send("+OK begin TLS\r\n+OK injected before the handshake\r\n");
        c.WaitClosed(2000);
        return true;
    };
    auto server = Start();
    Pop3Client client(Options());
    EXPECT_FALSE(client.Connect(server->Url("pop3")));
    // Normally seen before the handshake; bytes still in flight would break the handshake.
    EXPECT_TRUE(client.Error().contains(QStringLiteral("余分なデータ")) ||
                client.Error().contains(QStringLiteral("TLS")))
        << client.Error().toStdString();
}

TEST_F(Pop3Failure, ConnectFailuresNameTheServer) {
    Pop3Client client(Options());
    EXPECT_FALSE(client.Connect(QStringLiteral("127.0.0.1:1")));
    EXPECT_TRUE(client.Error().startsWith(QStringLiteral("POP3 サーバー 127.0.0.1:1 に接続できません: ")))
        << client.Error().toStdString();
    EXPECT_FALSE(client.Connect(QStringLiteral("imap://127.0.0.1")));
    EXPECT_EQ(client.Error(), QStringLiteral("POP3 サーバーの指定が正しくありません: imap://127.0.0.1"));
}

INSTANTIATE_TEST_SUITE_P(Pop3, Pop3FailureModes, ::testing::Bool(), ModeName);

} // namespace
