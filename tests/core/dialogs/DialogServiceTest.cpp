#include "core/dialogs/DialogService.h"
#include "app/ApplicationSetup.h"
#include "app/QtDialogService.h"
#include "core/dialogs/ScriptedDialogService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
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
    EXPECT_EQ(fallback.Message({}, QStringLiteral(u"送信エラー"), MessageIcon::None, MessageButtons::Ok), Answer::Ok);
    EXPECT_TRUE(fallback.OpenFile({}, {}, {}).isEmpty());
    EXPECT_FALSE(fallback.AskPrint(true).accepted);
    SetDialogService(previous);
}

// The real message box: Japanese standard buttons whatever the locale, the application title
// when none is given, and the answer of the button pressed.
TEST(DialogServiceTest, QtMessageBoxSpeaksJapanese) {
    ASSERT_TRUE(InstallJapaneseTranslations(*QCoreApplication::instance()));
    QStringList buttonTexts;
    QString title;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        for (QAbstractButton* b : box->buttons())
            buttonTexts << b->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::Yes)->click();
    });
    poll.start();
    QtDialogService qt;
    const Answer answer =
        qt.Message({}, QStringLiteral(u"上書きしますか？ "), MessageIcon::Question, MessageButtons::YesNo);
    EXPECT_EQ(answer, Answer::Yes);
    EXPECT_EQ(title, AppTitle());
    // Qt's Japanese texts carry the access key: "はい(Y)", "いいえ(N)".
    ASSERT_EQ(buttonTexts.size(), 2) << buttonTexts.join(u',').toStdString();
    EXPECT_TRUE(buttonTexts.filter(QRegularExpression(QStringLiteral(u"^はい"))).size() == 1);
    EXPECT_TRUE(buttonTexts.filter(QRegularExpression(QStringLiteral(u"^いいえ"))).size() == 1);
}

} // namespace
} // namespace ricorne
