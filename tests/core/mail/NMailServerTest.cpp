// The mail operations as the program calls them, against the real servers: a Japanese mail
// with two Japanese-named attachments sent by SMTP comes back by POP3 unchanged.
#include "TempAppDir.h"
#include "TestServers.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

class NMailServer : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        if (HarnessDir().isEmpty())
            GTEST_SKIP() << "mail test servers not running";
        ASSERT_TRUE(ClearMaildir(QStringLiteral("alice")));
        ASSERT_TRUE(app_.IsValid());
        // The program's own places: the test CA and the account file in the mail data folder.
        ASSERT_TRUE(InstallCaCertificate(app_.Path() + QStringLiteral("/★MailData")));
        ASSERT_TRUE(QDir(app_.Path()).mkpath(QStringLiteral("添付フォルダ")));
        ASSERT_TRUE(SaveCredentials(QStringLiteral("alice"), QStringLiteral("secret1"), true));
    }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = app_.Path() + QStringLiteral("/src/") + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    ricorne::testing::TempAppDir app_{ricorne::testing::TempAppDir::Layout::Empty};
};

TEST_F(NMailServer, JapaneseMailWithAttachmentsRoundTrips) {
    QByteArray binary(300000, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (char& c : binary)
        c = char(gen.bounded(256));
    const QString pdfName = QStringLiteral("見積書（２０２４年度）.bin");
    const QString textName = QStringLiteral("議事録・第２回.txt");
    const QByteArray text = QStringLiteral("会議の記録です。\r\n.で始まる行\r\n").toUtf8();
    const QStringList attachments{WriteFile(pdfName, binary), WriteFile(textName, text)};
    const QString subject = QStringLiteral("【重要】お見積りの件～ご確認ください");
    const QString body = QStringLiteral("山田様\r\n\r\nいつもお世話になっております。\r\n"
                                        ".から始まる行と、半角ｶﾀｶﾅ、全角～波ダッシュ。\r\n以上です。");

    NMail mail;
    mail.NMailInitializeWinSock();
    mail.NMailSetOption(1, 8192);
    const int sent = mail.NMailSmtpSendMail(QStringLiteral("127.0.0.1:") + QString::number(kSubmissionPort),
                                            QStringLiteral("アリス<alice@localhost>"),
                                            QStringLiteral("alice@localhost"), subject, body, attachments);
    ASSERT_GE(sent, 0) << mail.NMailGetMessage().toStdString();
    ASSERT_TRUE(WaitForMails(QStringLiteral("alice"), 1));

    const int handle = mail.NMailPop3Connect(QStringLiteral("127.0.0.1:") + QString::number(kPop3Port));
    ASSERT_NE(handle, -1) << mail.NMailGetMessage().toStdString();
    ASSERT_EQ(mail.NMailPop3Authenticate(handle, QStringLiteral("alice"), QStringLiteral("secret1"), -1), 1)
        << mail.NMailGetMessage().toStdString();
    QString s, d, f, h, b;
    mail.NMailPop3GetMailStatus(handle, 1, s, d, f, h);
    EXPECT_GT(mail.NMailPop3GetMailSize(handle, 1), binary.size());
    ASSERT_EQ(mail.NMailPop3GetMail(handle, 1, s, d, f, h, b), 1) << mail.NMailGetMessage().toStdString();
    EXPECT_EQ(s, subject);
    EXPECT_EQ(f, QStringLiteral("alice@localhost"));
    EXPECT_FALSE(d.isEmpty());
    EXPECT_TRUE(h.contains(QStringLiteral("Message-ID:"), Qt::CaseInsensitive));
    EXPECT_TRUE(b.startsWith(body)) << b.toStdString();
    EXPECT_TRUE(b.contains(QStringLiteral("[attachment] ") + pdfName)) << b.toStdString();
    EXPECT_TRUE(b.contains(QStringLiteral("[attachment] ") + textName)) << b.toStdString();

    const QString folder = app_.Path() + QStringLiteral("/添付フォルダ/");
    EXPECT_EQ(
        mail.NMailAttachmentFileFirst(s, d, f, h, b, folder, folder + QStringLiteral("0.txt"), QString()), 1)
        << mail.NMailGetMessage().toStdString();
    mail.NMailAttachmentFileClose();
    EXPECT_EQ(mail.LastSavedAttachments(), (QStringList{pdfName, textName}));
    QFile pdf(folder + pdfName), txt(folder + textName);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll() == binary);
    EXPECT_EQ(txt.readAll(), text);

    EXPECT_EQ(mail.NMailPop3DeleteMail(handle, 1), 1);
    EXPECT_EQ(MailFiles(QStringLiteral("alice")).size(), 1); // only QUIT commits
    EXPECT_EQ(mail.NMailPop3Close(handle), 1) << mail.NMailGetMessage().toStdString();
    EXPECT_TRUE(MailFiles(QStringLiteral("alice")).isEmpty());
    mail.NMailEndWinSock();

    // Both servers offered TLS on their plain ports: that is remembered for later sessions.
    QFile memory(app_.FilePath(QStringLiteral("★MailData/tls-servers.txt")));
    ASSERT_TRUE(memory.open(QIODevice::ReadOnly));
    const QByteArray remembered = memory.readAll();
    EXPECT_TRUE(remembered.contains("SMTP 127.0.0.1:" + QByteArray::number(kSubmissionPort)))
        << remembered.constData();
    EXPECT_TRUE(remembered.contains("POP3 127.0.0.1:" + QByteArray::number(kPop3Port)))
        << remembered.constData();
}

TEST_F(NMailServer, FailuresAreReportedWithTheServersText) {
    NMail mail;
    const int handle =
        mail.NMailPop3Connect(QStringLiteral("pop3s://127.0.0.1:") + QString::number(kPop3sPort));
    ASSERT_NE(handle, -1) << mail.NMailGetMessage().toStdString();
    EXPECT_LT(mail.NMailPop3Authenticate(handle, QStringLiteral("alice"), QStringLiteral("wrong"), 0), 0);
    // Explained in Japanese first; the server's own line stays below it.
    const QString text = mail.NMailGetMessage();
    EXPECT_TRUE(text.startsWith(QStringLiteral("ID かパスワードが違います。"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(
        QStringLiteral("\n\nPOP3 サーバーにログインできません: -ERR [AUTH] Authentication failed.")));
    mail.NMailPop3Close(handle);

    // Without the test CA in the mail data folder the servers' certificate is refused.
    QFile::remove(app_.Path() + QStringLiteral("/★MailData/ca-certificates.pem"));
    EXPECT_EQ(mail.NMailPop3Connect(QStringLiteral("127.0.0.1:") + QString::number(kPop3Port)), -1);
    EXPECT_TRUE(mail.NMailGetMessage().contains(QStringLiteral("証明書")));
    EXPECT_LT(mail.NMailSmtpSendMail(QStringLiteral("smtps://127.0.0.1:") + QString::number(kSubmissionsPort),
                                     QStringLiteral("bob@localhost"), QStringLiteral("alice@localhost"),
                                     QStringLiteral("x"), QStringLiteral("x"), {}),
              0);
    EXPECT_TRUE(mail.NMailGetMessage().contains(QStringLiteral("証明書")));

    // A recipient the server refuses is named.
    EXPECT_LT(mail.NMailSmtpSendMail(QStringLiteral("127.0.0.1:") + QString::number(kSmtpPort),
                                     QStringLiteral("nobody@localhost"), QStringLiteral("alice@localhost"),
                                     QStringLiteral("件名"), QStringLiteral("本文"), {}),
              0);
    EXPECT_TRUE(mail.NMailGetMessage().contains(QStringLiteral("nobody@localhost")));
}

} // namespace
