// The receive label of the main window, with the real windows offscreen: status texts in Label19,
// staging into the history viewer (loaded hidden), boxes through the dialog service, the account
// ID dialog, and the lever.
#include "FakePop3.h"
#include "ReceiveTestSupport.h"
#include "app/Wiring.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/stores/RecordStore.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "settings/IdPassForm.h"
#include "shell/WindowRegistry.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class ReceiveLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        InstallWiring();
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
        main_->ClickLabel(NavLabel::Receive);
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

// Records each text Label19 paints while the check holds the thread.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : label_(label) { label->installEventFilter(this); }
    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Paint &&
            (texts.isEmpty() || texts.last() != label_->text()))
            texts << label_->text();
        return false;
    }

private:
    QLabel* label_;
};

TEST_F(ReceiveLabelTest, EachMailIsPaintedAsItComesAndTheEndTextStays) {
    pop_.mails.append(TextMail(u"三通目"_s, u"本文3"_s, 3));
    PaintedTexts painted(main_->StatusLabel());
    ClickReceive();
    QStringList progress;
    for (const QString& text : painted.texts)
        if (text.startsWith(u"メールを受信しています"_s))
            progress << text;
    EXPECT_EQ(progress, (QStringList{u"メールを受信しています… 1/3"_s, u"メールを受信しています… 2/3"_s,
                                     u"メールを受信しています… 3/3"_s}));
    EXPECT_EQ(main_->Status(), u"新着メール有り。"_s);
}

// The lever runs inside the check and processes events, as a message box would: a press of the
// receive label or of a compose window's send there must start neither a check nor a send.
TEST_F(ReceiveLabelTest, PressesDuringACheckStartNothing) {
    WriteForm* compose = Registry().Show<WriteForm>();
    ASSERT_NE(compose, nullptr);
    compose->ToText()->setText(u"bob@example.jp"_s);
    compose->SubjectText()->setText(u"受信中の送信"_s);
    QString statusAtSecondPress;
    main_->SetLeverAction([this, compose, &statusAtSecondPress] {
        if (++leverPulls_ > 1)
            return; // a nested check pulls too: do not press again (that would never end)
        main_->ClickLabel(NavLabel::Receive);
        statusAtSecondPress = main_->Status();
        compose->SendButton()->click();
    });
    ClickReceive();
    EXPECT_EQ(server_.Connections(), 1);
    EXPECT_EQ(leverPulls_, 1);
    EXPECT_EQ(statusAtSecondPress, u"新着メール有り。"_s); // not "メールを受信します。"
    EXPECT_EQ(ReceivedMails().size(), 2);
    EXPECT_EQ(RecordCount(SentStore()), 0);
    EXPECT_TRUE(dialogs_.Requests().empty());
    EXPECT_EQ(Registry().Find<WriteForm>(), compose); // still open, nothing sent
    EXPECT_EQ(compose->SubjectText()->text(), u"受信中の送信"_s);

    // Once the check is over the same presses work again.
    main_->SetLeverAction([this] { ++leverPulls_; });
    ClickReceive();
    EXPECT_EQ(server_.Connections(), 2);
    Registry().Close<WriteForm>();
}

} // namespace
