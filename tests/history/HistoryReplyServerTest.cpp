// From a received mail to its answer, against the real test servers: the mail check fetches a
// mail from Dovecot into the received store, the viewer shows it, "返事を書く" fills the reply
// window, "送信" sends it through OpenSMTPD, and the reply arrives in the sender's maildir.
#include "ReceiveTestSupport.h"
#include "TestServers.h"
#include "app/Wiring.h"
#include "compose/BackForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/mime/MimeDecoder.h"
#include "core/settings/AccountSettings.h"
#include "history/OpenHistory.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

QByteArray MailFromBob() {
    return "From: =?UTF-8?B?" + u"ボブ"_s.toUtf8().toBase64() +
           "?= <bob@localhost>\r\n"
           "To: alice@localhost\r\n"
           "Subject: =?UTF-8?B?" +
           u"来週のご予定"_s.toUtf8().toBase64() +
           "?=\r\n"
           "Date: Mon, 6 May 2024 10:00:00 +0900\r\n"
           "Message-ID: <history-reply-1@example.jp>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: 8bit\r\n\r\n" +
           u"アリスさん\r\n来週の木曜日はご都合いかがですか。\r\n"_s.toUtf8();
}

class HistoryReplyServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RICORNE_REQUIRE_TEST_SERVERS();
        ASSERT_TRUE(app_.IsValid());
        ASSERT_TRUE(ClearMaildir(u"alice"_s));
        ASSERT_TRUE(ClearMaildir(u"bob"_s));
        app_.SetServer(u"localhost:"_s + QString::number(kPop3Port));
        app_.SetCredentials(QString::fromLatin1(kAlice.name), QString::fromLatin1(kAlice.password));
        AccountSettings().SmtpServer = u"127.0.0.1:%1"_s.arg(kSmtpPort);
        AccountSettings().FromAddress = u"alice@localhost"_s;
        SetSharedMail(&mail_);
        InstallWiring();
    }
    void TearDown() override {
        Registry().Close<TyakuForm>();
        Registry().Close<BackForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetSharedMail(nullptr);
    }

    AccountAppDir app_;
    NMail mail_;
};

TEST_F(HistoryReplyServerTest, AReceivedMailIsAnsweredFromTheViewerAndTheReplyArrives) {
    ASSERT_TRUE(DropMail(u"alice"_s, MailFromBob()));
    CheckRecorder check;
    ASSERT_EQ(check.Run(mail_).stored, 1);

    ScriptedDialogService dialogs;
    ScopedDialogService scoped(dialogs);
    OpenHistory(HistoryMode::Received);
    TyakuForm* viewer = Registry().Find<TyakuForm>();
    ASSERT_TRUE(viewer && QTest::qWaitForWindowExposed(viewer));
    QTreeView* list = viewer->MailListView();
    ASSERT_EQ(list->model()->rowCount(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QTest::mouseClick(viewer->RecordButton(ViewerCommand::Reply), Qt::LeftButton);

    BackForm* reply = Registry().Find<BackForm>();
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->SubjectText()->text(), u"Re:  来週のご予定"_s);
    reply->BodyText()->setPlainText(u"ボブさん\n木曜日で大丈夫です。\n\n"_s +
                                    reply->BodyText()->toPlainText());
    QTest::mouseClick(reply->SendButton(), Qt::LeftButton);
    EXPECT_TRUE(dialogs.Requests().empty()) << qPrintable(dialogs.MessageTexts().join(u'\n'));

    ASSERT_TRUE(WaitForMails(u"bob"_s, 1));
    const DecodedMail answer = DecodeMail(ReadMails(u"bob"_s).front());
    EXPECT_EQ(answer.subject, u"Re:  来週のご予定"_s);
    EXPECT_TRUE(answer.body.startsWith(
        u"ボブさん\r\n木曜日で大丈夫です。\r\n\r\nアリスさん\r\n来週の木曜日はご都合いかがですか。"_s))
        << qPrintable(answer.body);
    EXPECT_TRUE(answer.from.contains(u"alice@localhost"_s)) << qPrintable(answer.from);
}

} // namespace
