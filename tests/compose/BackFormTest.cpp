// The reply window offscreen: load, the resize rules, the quoted paste with its clipboard round
// trip, closing empties the body, and a failed send keeps the reply.
#include "ComposeTestSupport.h"
#include "OverlapCheck.h"

#include "compose/AttachmentControls.h"
#include "compose/BackForm.h"
#include "compose/OpenCompose.h"
#include "compose/SendReply.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/geometry/Twips.h"
#include "core/stores/RecordBuffers.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class BackFormTest : public ::testing::Test {
protected:
    void TearDown() override {
        Registry().Close<BackForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    BackForm* Open() {
        OpenReplyWindow(u"friend@example.jp"_s, u"Re:  件名"_s, u"元の本文\r\n二行目"_s);
        BackForm* form = Registry().Find<BackForm>();
        EXPECT_TRUE(form && QTest::qWaitForWindowExposed(form));
        form->SetMailLibrary(&mail_);
        return form;
    }

    TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
    RecordingMail mail_;
};

TEST_F(BackFormTest, LoadsWithTheReplyFilledIn) {
    BackForm* hidden = Registry().Get<BackForm>();
    EXPECT_EQ(hidden->Attachments()->AttachText()->width(), Twips(2800));
    EXPECT_FALSE(hidden->Attachments()->Rows()->isVisibleTo(hidden));
    EXPECT_TRUE(hidden->Attachments()->AttachButton()->isEnabled());
    EXPECT_TRUE(hidden->Attachments()->AddButton()->isEnabled());
    EXPECT_TRUE(hidden->Attachments()->CancelButton()->isEnabled());
    EXPECT_EQ(hidden->Attachments()->AttachButton()->text(), u"添付"_s);

    BackForm* form = Open();
    EXPECT_EQ(form, hidden);
    EXPECT_EQ(form->windowTitle(), u"返事を書く"_s);
    EXPECT_EQ(form->ToText()->text(), u"friend@example.jp"_s);
    EXPECT_EQ(form->SubjectText()->text(), u"Re:  件名"_s);
    EXPECT_EQ(form->BodyText()->toPlainText(), u"元の本文\n二行目"_s);
    EXPECT_EQ(form->BodyText()->font().family(), u"ＭＳ Ｐゴシック"_s);
    EXPECT_EQ(form->SendButton()->y(), Twips(120));
    EXPECT_EQ(form->ToText()->y(), Twips(600));
    EXPECT_EQ(form->SubjectText()->y(), Twips(960));
    EXPECT_EQ(form->Attachments()->AttachText()->y(), Twips(1320));
    EXPECT_EQ(form->BodyText()->y(), Twips(1680));
}

class BackFormAtSizeTest : public BackFormTest, public ::testing::WithParamInterface<QSize> {};

TEST_P(BackFormAtSizeTest, ControlsLieApartAndTheBodyEndsAboveTheStatusBar) {
    BackForm* form = Open();
    form->resize(Twips(GetParam().width()), Twips(GetParam().height()));
    ExpectControlsApart(form);
    EXPECT_LT(form->BodyText()->geometry().bottom(), form->StatusBar()->y());
    EXPECT_EQ(form->StatusBar()->geometry().bottom(), form->height() - 1);
    EXPECT_EQ(form->StatusBar()->width(), form->width());
    // The fields follow the window as the reply layout (ReplyRules.LayoutFigures) lays them out.
    const ReplyLayout layout = ComputeReplyLayout(ToTwips(form->width()), ToTwips(form->height()), 0, 0);
    EXPECT_EQ(form->ToText()->width(), Twips(layout.recipientWidth));
    EXPECT_EQ(form->BodyText()->width(), Twips(layout.bodyWidth));
    EXPECT_EQ(form->Attachments()->CancelButton()->x(), Twips(layout.cancelButtonLeft));
    // Too low for the layout: the body keeps its height.
    const int kept = form->BodyText()->height();
    form->resize(form->width(), Twips(3000));
    EXPECT_EQ(form->BodyText()->height(), kept);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BackFormAtSizeTest,
                         ::testing::Values(QSize(9000, 7200), QSize(7000, 5000), QSize(14000, 9600)));

TEST_F(BackFormTest, PasteQuotesTheReceivedBodyBelowTheClipboard) {
    SetField(ReceivedBuffer().Body, u"受信した本文\r\nです  "_s);
    BackForm* form = Open();
    QGuiApplication::clipboard()->setText(u"  了解しました。"_s);
    form->PasteBodyButton()->click();
    const QString expected = u"了解しました。\n\n\n\n受信した本文\nです"_s;
    EXPECT_EQ(form->BodyText()->toPlainText(), expected);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"  "_s + expected); // the combined text stays there

    QGuiApplication::clipboard()->clear();
    form->PasteBodyButton()->click();
    EXPECT_EQ(form->BodyText()->toPlainText(), u"受信した本文\nです"_s.prepend(u"\n\n\n\n"_s));
}

TEST_F(BackFormTest, QuotingAndSendingKeepNoBreakAndIdeographicSpaces) {
    SetField(ReceivedBuffer().Body, u"\u3000受信した本文"_s);
    BackForm* form = Open();
    // Only ASCII spaces are trimmed: a no-break space at either end stays.
    QGuiApplication::clipboard()->setText(u" \u00A0了解\u3000しました。\u00A0"_s);
    form->PasteBodyButton()->click();
    const QString body = u"\u00A0了解\u3000しました。\u00A0\n\n\n\n\u3000受信した本文"_s;
    EXPECT_EQ(form->State().body, ToCrLf(body));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u" "_s + body);

    form->SendButton()->click();
    ASSERT_EQ(mail_.calls.size(), 1u);
    EXPECT_EQ(mail_.calls[0].body, ToCrLf(body));
}

TEST_F(BackFormTest, EveryCloseEmptiesTheBody) {
    BackForm* form = Open();
    QPointer<QTextEdit> body = form->BodyText();
    form->StopButton()->click();
    ASSERT_TRUE(body);
    EXPECT_TRUE(body->toPlainText().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Registry().Find<BackForm>(), nullptr);
    EXPECT_TRUE(mail_.calls.empty());
}

TEST_F(BackFormTest, FailedSendKeepsTheWindowAndSuccessClosesIt) {
    BackForm* form = Open();
    form->BodyText()->append(u"返事の文"_s);
    mail_.failOn = {1};
    form->SendButton()->click();
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"送信エラー"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Registry().Find<BackForm>(), form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->BodyText()->toPlainText(), u"元の本文\n二行目\n返事の文"_s);

    form->SendButton()->click();
    ASSERT_EQ(mail_.calls.size(), 2u);
    EXPECT_EQ(mail_.calls[1].body, u"元の本文\r\n二行目\r\n返事の文"_s);
    EXPECT_EQ(mail_.calls[1].to, u"friend@example.jp"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Registry().Find<BackForm>(), nullptr);
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

} // namespace
