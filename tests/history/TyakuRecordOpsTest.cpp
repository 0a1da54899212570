// The viewer's record buttons clicked in the real window, with the program's wiring installed:
// the deletions, the address book and reply windows they open, the quick save and the copy row
// through the clipboard.
#include "StoreFixture.h"
#include "addressbook/FriendForm.h"
#include "app/Wiring.h"
#include "compose/BackForm.h"
#include "history/MailHeaderModel.h"
#include "history/OpenHistory.h"
#include "history/QuickSaveFile.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>

#include <memory>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class TyakuRecordOpsTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        InstallWiring();
        Put(ReceivedStore(), 1,
            MakeRecord(u"打ち合わせの件"_s, u"鈴木 一郎 <suzuki@example.co.jp>"_s,
                       u"Mon, 1 Apr 2024 09:12:44 +0900"_s,
                       u"山田様\r\n\r\n木曜日の十四時でいかがでしょうか。\r\n鈴木"_s));
        Put(ReceivedStore(), 2,
            MakeRecord(u"写真"_s, u"hanako@example.ne.jp"_s, u"Tue, 2 Apr 2024"_s, u"花見の写真"_s));
        Put(ReceivedStore(), 3,
            MakeRecord(u"請求書"_s, u"keiri@example.jp"_s, u"Wed, 3 Apr 2024"_s, u"ご確認下さい"_s));
        Put(ReceivedStore(), 4,
            MakeRecord(u"お知らせ"_s, u"info@example.jp"_s, u"Thu, 4 Apr 2024"_s, u"休業日"_s));
        OpenHistory(HistoryMode::Received);
        form_ = Registry().Find<TyakuForm>();
        ASSERT_TRUE(form_ && QTest::qWaitForWindowExposed(form_));
    }
    void TearDown() override {
        Registry().Close<TyakuForm>();
        Registry().Close<FriendForm>();
        Registry().Close<BackForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        StoreFixture::TearDown();
    }
    void ClickRow(int row) {
        QTreeView* list = form_->MailListView();
        const QRect r = list->visualRect(list->model()->index(row - 1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        ASSERT_TRUE(form_->SelectionFlag());
    }
    void Click(ViewerCommand command) { QTest::mouseClick(form_->RecordButton(command), Qt::LeftButton); }
    bool BodyHasFocus() const { return form_->focusWidget() == form_->BodyEditor(); }

    TyakuForm* form_ = nullptr;
};

TEST_F(TyakuRecordOpsTest, DeleteButtonsRewriteTheStoreAndTheList) {
    ClickRow(2);
    dialogs_.QueueAnswer(Answer::Yes);
    Click(ViewerCommand::DeleteOne);
    EXPECT_EQ(form_->Rows()->rowCount(), 3);
    EXPECT_EQ(form_->CountBox()->text(), u"3"_s);
    EXPECT_EQ(form_->SubjectBox()->text(), u"お知らせ"_s);
    EXPECT_EQ(form_->SelectionFlagBox()->text(), QString());
    EXPECT_TRUE(BodyHasFocus());
    EXPECT_EQ(RecordCount(ReceivedStore()), 3);

    dialogs_.QueueAnswer(Answer::Yes);
    Click(ViewerCommand::DeleteAll);
    EXPECT_EQ(form_->Rows()->rowCount(), 0);
    EXPECT_EQ(form_->CountBox()->text(), u"0"_s);
    EXPECT_EQ(form_->SubjectBox()->text(), QString());
    EXPECT_EQ(form_->BodyEditor()->toPlainText(), QString());
    EXPECT_EQ(QFileInfo(StorePath(ReceivedStore())).size(), 0);
}

// The history search box: the list holds only the hits, the count follows, a row click and the
// delete button act on the hit's record, and an empty box lists everything again.
TEST_F(TyakuRecordOpsTest, SearchListsTheHitsAndTheButtonsActOnThem) {
    auto settle = [this] {
        for (int i = 0; i < 200 && form_->HistorySearchRunning(); ++i)
            QTest::qWait(10);
        ASSERT_FALSE(form_->HistorySearchRunning());
    };
    // Typed through the input method, as Japanese is: katakana for the せ of 合わせ and 知らせ.
    QInputMethodEvent typed;
    typed.setCommitString(u"セ"_s);
    QApplication::sendEvent(form_->HistorySearchBox(), &typed);
    EXPECT_TRUE(form_->HistorySearchRunning()); // waits for the pause after the key
    EXPECT_EQ(form_->Rows()->rowCount(), 4);
    settle();
    ASSERT_EQ(form_->Rows()->rowCount(), 2);
    EXPECT_EQ(form_->Rows()->CellText(1, MailHeaderModel::SubjectColumn).trimmed(), u"お知らせ"_s);
    EXPECT_EQ(form_->CountBox()->text(), u"2"_s);
    EXPECT_EQ(form_->StatusBar1()->currentMessage(), u"2 件見つかりました。"_s);

    ClickRow(2); // record 4
    EXPECT_EQ(form_->SubjectBox()->text(), u"お知らせ"_s);
    EXPECT_EQ(form_->CountBox()->text(), u"2"_s);
    dialogs_.QueueAnswer(Answer::Yes);
    Click(ViewerCommand::DeleteOne);
    settle();
    EXPECT_EQ(RecordCount(ReceivedStore()), 3);
    auto last = std::make_unique<MailRecord>();
    ASSERT_TRUE(ReadRecord(ReceivedStore(), 3, *last));
    EXPECT_EQ(Trim(FieldText(last->Subject)), u"請求書"_s); // お知らせ is gone, the rest kept
    ASSERT_EQ(form_->Rows()->rowCount(), 1);                // searched again after the deletion
    EXPECT_EQ(form_->CountBox()->text(), u"1"_s);

    form_->KanaFoldingBox()->setChecked(false); // "セ" is not "せ" any more
    settle();
    EXPECT_EQ(form_->Rows()->rowCount(), 0);
    EXPECT_EQ(form_->StatusBar1()->currentMessage(), u"見つかりませんでした。"_s);

    form_->HistorySearchBox()->clear();
    EXPECT_FALSE(form_->HistorySearchRunning());
    EXPECT_EQ(form_->Rows()->rowCount(), 3);
    EXPECT_EQ(form_->CountBox()->text(), u"3"_s);
}

// The ファイル menu writes the shown history and the backup where the save dialog says; a cancelled
// dialog writes nothing.
TEST_F(TyakuRecordOpsTest, FileMenuWritesTheHistoryAndTheBackup) {
    auto item = [this](const QString& name) {
        for (QAction* action : form_->Menu(u"mFile"_s)->actions()) {
            if (action->objectName() == name)
                return action;
        }
        ADD_FAILURE() << name.toStdString();
        return static_cast<QAction*>(nullptr);
    };
    const QString mbox = app_.Path() + u"/着信.mbox"_s, archive = app_.Path() + u"/backup.tar.zst"_s;
    item(u"mexportmbox"_s)->trigger(); // cancelled
    EXPECT_EQ(dialogs_.Requests().back().kind, DialogRequest::Kind::SaveFile);
    EXPECT_TRUE(dialogs_.Requests().back().folder.endsWith(u".mbox"_s));
    dialogs_.QueuePath(mbox);
    item(u"mexportmbox"_s)->trigger();
    QFile written(mbox);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().count("\nFrom MAILER-DAEMON "), 3); // four mails, the first at the start
    EXPECT_TRUE(dialogs_.MessageTexts().last().startsWith(u"4 件を書き出しました。"_s));

    dialogs_.QueuePath(archive);
    item(u"mbackup"_s)->trigger();
    EXPECT_TRUE(QFileInfo(archive).size() > 0);
    EXPECT_TRUE(dialogs_.MessageTexts().last().contains(u"バックアップしました。"_s));
    EXPECT_EQ(form_->Menu(u"mFile"_s)->actions().last()->objectName(), u"mend"_s);
}

TEST_F(TyakuRecordOpsTest, RegisterOpensTheOneAddressBookWithTheSender) {
    ClickRow(1);
    Click(ViewerCommand::RegisterSender);
    FriendForm* book = Registry().Find<FriendForm>();
    ASSERT_NE(book, nullptr);
    EXPECT_TRUE(book->isVisible());
    EXPECT_EQ(book->AddressBox()->text(), u"鈴木 一郎 <suzuki@example.co.jp>"_s);
    EXPECT_FALSE(form_->SelectionFlag());
}

TEST_F(TyakuRecordOpsTest, ReplyFillsTheReplyWindow) {
    ClickRow(1);
    form_->SubjectBox()->setText(u"  打ち合わせの件（変更）  "_s); // typed into the box: taken as it stands
    Click(ViewerCommand::Reply);
    BackForm* reply = Registry().Find<BackForm>();
    ASSERT_NE(reply, nullptr);
    EXPECT_TRUE(reply->isVisible());
    EXPECT_EQ(reply->SubjectText()->text(), u"Re:  打ち合わせの件（変更）"_s);
    EXPECT_EQ(reply->ToText()->text(), u"鈴木 一郎 <suzuki@example.co.jp>"_s);
    EXPECT_EQ(reply->BodyText()->toPlainText(), u"山田様\n\n木曜日の十四時でいかがでしょうか。\n鈴木"_s);
    EXPECT_TRUE(BodyHasFocus());
    EXPECT_FALSE(form_->SelectionFlag());
}

TEST_F(TyakuRecordOpsTest, QuickSaveButtonShowsTheSavedTextInTheBody) {
    ClickRow(2);
    Click(ViewerCommand::QuickSave);
    EXPECT_TRUE(QFile::exists(QDir(QuickSaveFolder()).filePath(u"写真.txt"_s)));
    EXPECT_EQ(form_->BodyEditor()->toPlainText(),
              u"Subject:  写真\nFrom:  hanako@example.ne.jp\nDate:  Tue, 2 Apr 2024\nBody:  花見の写真"_s);
}

TEST_F(TyakuRecordOpsTest, HoveringTheDateAndCopyingPutsItOnTheClipboard) {
    ClickRow(3);
    QTest::mouseMove(form_->DateBox(), form_->DateBox()->rect().center());
    EXPECT_EQ(form_->PreviewBox()->text(), u"Wed, 3 Apr 2024"_s);
    QGuiApplication::clipboard()->setText(u"前の内容"_s);
    Click(ViewerCommand::CopyField);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"Wed, 3 Apr 2024"_s);
    EXPECT_TRUE(form_->SelectionFlag()) << "copying needs no selection and keeps it";

    form_->PreviewBox()->setText(u"手で書いた①"_s);
    Click(ViewerCommand::CopyField);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"手で書いた①"_s);
}

} // namespace
} // namespace ricorne
