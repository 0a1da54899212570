// The receive label of the main window, with the real windows offscreen: status texts in Label19,
// staging into the history viewer (loaded hidden), boxes through the dialog service, the account
// ID dialog, and the lever.
#include "receive/ReceiveLabel.h"
#include "FakePop3.h"
#include "ReceiveTestSupport.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "app/WindowRegistry.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "settings/IdPassForm.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class ReceiveLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        InstallReceiveWiring();
        main_ = Registry().Show<MainForm>();
        ASSERT_NE(main_, nullptr);
        main_->SetLeverAction([this] { ++leverPulls_; });
        pop_.mails = {TextMail(u"一通目"_s, u"本文1"_s, 1), TextMail(u"二通目"_s, u"  本文2  "_s, 2)};
        app_.SetServer(server_.Url("pop3"));
        app_.SetCredentials(u"alice"_s, u"secret1"_s);
    }
    void TearDown() override {
        Registry().Close<IdPassForm>();
        Registry().Close<TyakuForm>();
        Registry().Close<MainForm>();
    }
    // Clicks Label6 and returns what Label19 showed during the press effect.
    QString ClickReceive() {
        QString duringPress;
        QTimer::singleShot(5, [this, &duringPress] { duringPress = main_->Status(); });
        main_->ClickLabel(NavLabel::Label6);
        return duringPress;
    }

    AccountAppDir app_;
    FakePop3 pop_;
    FakeServer server_{[this](FakeConnection& c) { pop_.Serve(c); }};
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
    MainForm* main_ = nullptr;
    int leverPulls_ = 0;
};

TEST_F(ReceiveLabelTest, WithoutAServerTheLabelShowsReceivingThenNoNewMail) {
    app_.SetServer(QString());
    EXPECT_EQ(ClickReceive(), u"メールを受信します。"_s);
    EXPECT_EQ(main_->Status(), u"新着メール無し。"_s);
    EXPECT_EQ(leverPulls_, 0);
    EXPECT_EQ(server_.Connections(), 0);
    EXPECT_FALSE(Registry().IsLoaded<TyakuForm>());
}

// The viewer is loaded hidden to stage each mail; it ends on the last one, and the records hold
// its trimmed texts.
TEST_F(ReceiveLabelTest, MailIsStagedInTheHiddenViewerAndStoredFromIt) {
    ClickReceive();
    TyakuForm* viewer = Registry().Find<TyakuForm>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_EQ(viewer->SubjectText(), u"二通目"_s);
    EXPECT_EQ(viewer->BodyText(), u"  本文2  \r\n"_s);
    const QVector<StoredMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 2);
    EXPECT_EQ(mails[1].body, u"本文2  \r\n"_s); // trimmed of spaces only: the line end stays
    EXPECT_EQ(main_->Status(), u"新着メール有り。"_s);
    EXPECT_EQ(leverPulls_, 1);
    EXPECT_EQ(pop_.committedDeletes, (QSet<int>{1, 2}));
    EXPECT_TRUE(dialogs_.Requests().empty());
}

TEST_F(ReceiveLabelTest, AnOpenViewerShowsTheLastMailButKeepsItsList) {
    TyakuForm* viewer = Registry().Show<TyakuForm>();
    const int rows = viewer->RowCount();
    ClickReceive();
    EXPECT_EQ(Registry().Find<TyakuForm>(), viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->SubjectText(), u"二通目"_s);
    EXPECT_EQ(viewer->RowCount(), rows);
}

TEST_F(ReceiveLabelTest, FailedLoginShowsTheServersTextInABoxTitledError) {
    pop_.onCommand = [](FakeConnection& c, const QByteArray& command) {
        if (!command.toUpper().startsWith("PASS"))
            return false;
        c.SendLine("-ERR [AUTH] Authentication failed.");
        return true;
    };
    ClickReceive();
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    const DialogRequest& box = dialogs_.Requests()[0];
    EXPECT_EQ(box.title, u"エラー"_s);
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_TRUE(box.text.contains(u"-ERR [AUTH] Authentication failed."_s)) << box.text.toStdString();
    EXPECT_EQ(main_->Status(), u"メールのチェックに失敗しました。"_s); // not "no new mail"
    EXPECT_EQ(leverPulls_, 0);
}

TEST_F(ReceiveLabelTest, MissingPasswordOpensTheAccountDialogWithTheFilesValues) {
    app_.SetCredentials(u"alice"_s, QString());
    ClickReceive();
    IdPassForm* dialog = Registry().Find<IdPassForm>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->IdText()->text(), u"alice"_s);
    EXPECT_EQ(dialog->PassText()->text(), QString());
    EXPECT_FALSE(server_.ReceivedLineStartingWith("USER"));
    EXPECT_EQ(main_->Status(), u"新着メール無し。"_s);
}

} // namespace
