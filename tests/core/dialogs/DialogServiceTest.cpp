#include "core/dialogs/DialogService.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "shell/ApplicationSetup.h"
#include "shell/QtDialogService.h"

#include <gtest/gtest.h>

namespace ricorne {
namespace {

TEST(DialogServiceTest, ScriptedServiceRecordsAndAnswersInOrder) {
    ScriptedDialogService script;
    ScopedDialogService installed(script);
    EXPECT_EQ(&Dialogs(), &script);

    script.QueueAnswer(Answer::Yes);
    script.QueuePath(QStringLiteral("/tmp/a.txt"));
    EXPECT_TRUE(Dialogs().Confirm(QStringLiteral(u"すべてのデータを削除して良いですか？")));
    EXPECT_FALSE(Dialogs().Confirm(QStringLiteral(u"もう一度？"))); // nothing scripted: No
    EXPECT_EQ(Dialogs().OpenFile({}, {}, {}), QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(Dialogs().SaveFile({}, {}, {}), QString());
    Dialogs().Notice(QStringLiteral(u"データが選択されていません"));

    const auto& asked = script.Requests();
    ASSERT_EQ(asked.size(), 5u);
    EXPECT_EQ(asked[0].title, QStringLiteral(u"確認"));
    EXPECT_EQ(asked[0].icon, MessageIcon::Question);
    EXPECT_EQ(asked[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(asked[4].icon, MessageIcon::None);
    EXPECT_EQ(asked[4].buttons, MessageButtons::Ok);
    EXPECT_EQ(script.UnscriptedCount(), 3); // second question, save dialog, notice
}

TEST(DialogServiceTest, ScopedServiceRestoresThePreviousOne) {
    DialogService* before = &Dialogs();
    {
        ScriptedDialogService script;
        ScopedDialogService installed(script);
        EXPECT_NE(&Dialogs(), before);
    }
    EXPECT_EQ(&Dialogs(), before);
}

// Before a program installs its service, nothing may block or pass for a yes: every box gets
// the answer of closing it, and file and print dialogs are cancelled.
TEST(DialogServiceTest, WithoutAnInstalledServiceEveryQuestionIsCancelled) {
    DialogService* previous = SetDialogService(nullptr);
    DialogService& fallback = Dialogs();
    EXPECT_FALSE(fallback.Confirm(QStringLiteral(u"すべてのデータを削除して良いですか？")));
    EXPECT_EQ(fallback.Message({}, QStringLiteral(u"保存しますか？"), MessageIcon::Question,
                               MessageButtons::YesNoCancel),
              Answer::Cancel);
    EXPECT_EQ(fallback.Message({}, QStringLiteral(u"送信エラー"), MessageIcon::None, MessageButtons::Ok),
              Answer::Ok);
    EXPECT_TRUE(fallback.OpenFile({}, {}, {}).isEmpty());
    EXPECT_FALSE(fallback.AskPrint(true).accepted);
    SetDialogService(previous);
}

} // namespace
} // namespace ricorne
