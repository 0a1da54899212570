// The whole way of a mail by keys alone, against the real test servers: Tab to "受信" and press
// Space, Tab to "着信履歴" and press Enter, pick the mail with the arrow keys and Enter, Tab to "返事を書く",
// type the answer (as an input method commits it), Tab to "送信", then tick the recipient in the
// check before the send and let it go, all by keys. The answer must arrive.
#include "ReceiveTestSupport.h"
#include "TestServers.h"
#include "app/Wiring.h"
#include "compose/BackForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/mime/MimeDecoder.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/SendCheckSettings.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "shell/SendCheckDialog.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

// Tab in target's window until target has the focus; false when it is never reached.
bool TabTo(QWidget* target) {
    QWidget* window = target->window();
    for (int i = 0; i < 80 && window->focusWidget() != target; ++i)
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Tab);
    return window->focusWidget() == target;
}

// What the keyboard hands a text box when Japanese is typed: the input method's committed text.
void CommitText(QWidget* box, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

// Scripted boxes, but the check before the send is the real dialog, answered by keys.
class KeyboardDialogs : public ScriptedDialogService {
public:
    bool ConfirmOutgoing(const OutgoingMail& mail) override {
        shown = mail;
        SendCheckDialog dialog(mail, QApplication::activeWindow());
        dialog.SetSecondLength(20);
        QTimer::singleShot(0, &dialog, [this, &dialog] {
            if (!QTest::qWaitForWindowActive(&dialog))
                return dialog.reject();
            sendEnabledBeforeTick = dialog.SendButton()->isEnabled();
            if (!TabTo(dialog.RecipientBoxes().front()))
                return dialog.reject();
            QTest::keyClick(dialog.RecipientBoxes().front(), Qt::Key_Space);
            if (!TabTo(dialog.SendButton()))
                return dialog.reject();
            QTest::keyClick(dialog.SendButton(), Qt::Key_Space);
            countdownShown = dialog.CountdownLabel()->isVisible();
        });
        return dialog.exec() == QDialog::Accepted;
    }
    OutgoingMail shown;
    bool sendEnabledBeforeTick = true;
    bool countdownShown = false;
};

QByteArray MailFromBob() {
    return "From: bob@localhost\r\nTo: alice@localhost\r\nSubject: =?UTF-8?B?" +
           u"週末の打ち合わせ"_s.toUtf8().toBase64() +
           "?=\r\nDate: Mon, 6 May 2024 10:00:00 +0900\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
           u"土曜日の午後はいかがでしょうか。\r\n"_s.toUtf8();
}

class KeyboardServerTest : public ::testing::Test {
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
        ASSERT_TRUE(SaveSendCheckOptions({true, 2}));
        InstallWiring();
    }
    void TearDown() override {
        Registry().Close<TyakuForm>();
        Registry().Close<BackForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    AccountAppDir app_;
};

TEST_F(KeyboardServerTest, ReceiveReadReplyAndSendWithKeysOnly) {
    ASSERT_TRUE(DropMail(u"alice"_s, MailFromBob()));
    KeyboardDialogs dialogs;
    ScopedDialogService scoped(dialogs);

    MainForm* main = Registry().Show<MainForm>();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    ASSERT_TRUE(TabTo(main->Label(NavLabel::Receive)));
    QTest::keyClick(main->Label(NavLabel::Receive), Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([] { return ReceivedMails().size() == 1; }, 20000));
    // Pressed by key, the label keeps the focus through its press effect.
    EXPECT_TRUE(QTest::qWaitFor([main] { return main->Label(NavLabel::Receive)->hasFocus(); }, 2000));

    ASSERT_TRUE(TabTo(main->Label(NavLabel::ReceivedHistory)));
    QTest::keyClick(main->Label(NavLabel::ReceivedHistory), Qt::Key_Return);
    TyakuForm* viewer = Registry().Find<TyakuForm>();
    ASSERT_TRUE(viewer && QTest::qWaitForWindowActive(viewer));
    ASSERT_TRUE(TabTo(viewer->MailListView()));
    QTest::keyClick(viewer->MailListView(), Qt::Key_Home);
    QTest::keyClick(viewer->MailListView(), Qt::Key_Return);
    EXPECT_TRUE(viewer->BodyText().contains(u"土曜日の午後はいかがでしょうか。"_s))
        << qPrintable(viewer->BodyText());
    ASSERT_TRUE(TabTo(viewer->RecordButton(ViewerCommand::Reply)));
    QTest::keyClick(viewer->RecordButton(ViewerCommand::Reply), Qt::Key_Space);

    BackForm* reply = Registry().Find<BackForm>();
    ASSERT_NE(reply, nullptr) << qPrintable(dialogs.MessageTexts().join(u'\n'));
    ASSERT_TRUE(reply && QTest::qWaitForWindowActive(reply));
    EXPECT_EQ(reply->SubjectText()->text(), u"Re:  週末の打ち合わせ"_s);
    ASSERT_TRUE(TabTo(reply->BodyText()));
    QTest::keyClick(reply->BodyText(), Qt::Key_Home, Qt::ControlModifier);
    CommitText(reply->BodyText(), u"ボブさん、土曜日で大丈夫です。"_s);
    QTest::keyClick(reply->BodyText(), Qt::Key_Return);
    ASSERT_TRUE(TabTo(reply->SendButton()));
    QTest::keyClick(reply->SendButton(), Qt::Key_Space);

    EXPECT_FALSE(dialogs.sendEnabledBeforeTick);
    EXPECT_TRUE(dialogs.countdownShown);
    ASSERT_EQ(dialogs.shown.recipients.size(), 1);
    EXPECT_EQ(dialogs.shown.recipients.front().address, u"bob@localhost"_s);
    EXPECT_TRUE(dialogs.Requests().empty()) << qPrintable(dialogs.MessageTexts().join(u'\n'));
    ASSERT_TRUE(WaitForMails(u"bob"_s, 1));
    const DecodedMail answer = DecodeMail(ReadMails(u"bob"_s).front());
    EXPECT_EQ(answer.subject, u"Re:  週末の打ち合わせ"_s);
    EXPECT_TRUE(answer.body.startsWith(u"ボブさん、土曜日で大丈夫です。\r\n"_s)) << qPrintable(answer.body);
}

} // namespace
