// The facade's own rules, with our scripted server.
#include "FakePop3.h"
#include "FakeSmtp.h"
#include "TestServers.h"
#include "core/mail/NMail.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

TEST(NMailFacade, HandlesAndTheLastFailureText) {
    EnsureCoreApplication();
    NMail mail;
    EXPECT_EQ(mail.NMailPop3Connect(QStringLiteral("127.0.0.1:1")), -1);
    EXPECT_TRUE(
        mail.NMailGetMessage().startsWith(QStringLiteral("POP3 サーバー 127.0.0.1:1 に接続できません")));
    QString s, d, f, h, b = QStringLiteral("old");
    EXPECT_EQ(mail.NMailPop3Authenticate(7, QStringLiteral("u"), QStringLiteral("p"), 0), -1);
    EXPECT_EQ(mail.NMailPop3GetMail(7, 1, s, d, f, h, b), -1);
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(mail.NMailPop3DeleteMail(7, 1), -1);
    EXPECT_EQ(mail.NMailPop3Close(7), -1);
    EXPECT_EQ(mail.NMailGetMessage(), QStringLiteral("POP3 サーバーに接続していません"));
}

TEST(NMailFacade, FetchesOnceKeepsTheMailAndNeverDeletesAFailedOne) {
    EnsureCoreApplication();
    FakePop3 pop3;
    pop3.mails = {"Subject: =?UTF-8?B?5pel5pys6Kqe?=\r\nFrom: a@example.jp\r\n\r\nbody\r\n",
                  "Subject: second\r\n\r\nbody\r\n"};
    pop3.onRetr = [](FakeConnection& c, int n) {
        if (n != 2)
            return false;
        c.SendLine("-ERR [SYS/TEMP] try later");
        return true;
    };
    FakeServer server([&pop3](FakeConnection& c) { pop3.Serve(c); });
    NMail mail;
    const int handle = mail.NMailPop3Connect(server.Url("pop3"));
    ASSERT_GE(handle, 1);
    ASSERT_EQ(mail.NMailPop3Authenticate(handle, QStringLiteral("u"), QStringLiteral("p"), 0), 2);
    QString s, d, f, h, b;
    EXPECT_EQ(mail.NMailPop3GetMailStatus(handle, 1, s, d, f, h), 1);
    EXPECT_EQ(mail.NMailPop3GetMail(handle, 1, s, d, f, h, b), 1);
    EXPECT_EQ(s, QStringLiteral("日本語"));
    EXPECT_EQ(mail.NMailPop3GetUidl(handle, 1), QStringLiteral("uid-1"));
    EXPECT_EQ(mail.NMailPop3DeleteMail(handle, 1), 1);
    EXPECT_EQ(mail.NMailPop3GetMail(handle, 2, s, d, f, h, b), -1);
    EXPECT_TRUE(mail.NMailGetMessage().contains(QStringLiteral("-ERR [SYS/TEMP] try later")));
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(mail.NMailPop3DeleteMail(handle, 2), -1);
    EXPECT_EQ(mail.NMailPop3Close(handle), 1);
    const QList<QByteArray> got = server.Received();
    EXPECT_EQ(got.count("RETR 1"), 1);
    EXPECT_FALSE(got.contains("DELE 2"));
    EXPECT_EQ(pop3.committedDeletes, QSet<int>{1});
}

TEST(NMailFacade, AttachmentsWithoutAFetchedMailComeFromTheMessageFile) {
    EnsureCoreApplication();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("0.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Subject: x\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: "
            "text/plain\r\n\r\n"
            "hi\r\n--b\r\nContent-Type: application/octet-stream; name=a.bin\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\nAAEC\r\n--b--\r\n");
    f.close();
    NMail mail;
    EXPECT_EQ(mail.NMailAttachmentFileFirst({}, {}, {}, {}, {}, dir.path(), path, {}), 1);
    EXPECT_EQ(mail.LastSavedAttachments(), QStringList{QStringLiteral("a.bin")});
    EXPECT_EQ(mail.NMailAttachmentFileFirst({}, {}, {}, {}, {}, dir.path(),
                                            dir.filePath(QStringLiteral("none")), {}),
              -5);
    EXPECT_TRUE(mail.NMailGetMessage().contains(QStringLiteral("none")));
}

} // namespace
