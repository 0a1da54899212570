// Typing Japanese through an input method (fcitx5-mozc, ibus-mozc): the text boxes people write
// in take the preedit without making it part of their text, take the committed text at the
// caret, and what was committed is what gets sent or marks the viewer's text as changed.
#include "ComposeTestSupport.h"

#include "compose/BackForm.h"
#include "compose/OpenCompose.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/stores/RecordBuffers.h"
#include "history/EditorState.h"
#include "history/HistoryMode.h"
#include "history/OpenHistory.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "shell/TextBoxAdapter.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeView>

#include <cstring>
#include <functional>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

// The committed text and the caret of any of the three kinds of text box.
struct Typed {
    QString text;
    int caret = 0;
};

Typed Read(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box))
        return {line->text(), line->cursorPosition()};
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        const TextBox value = ReadTextBox(*plain);
        return {value.text, value.Caret()};
    }
    const TextBox value = ReadTextBox(*qobject_cast<QTextEdit*>(box));
    return {value.text, value.Caret()};
}

void Prefill(QWidget* box, const QString& text, int caret) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(text);
        line->setCursorPosition(caret);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        WriteTextBox(*plain, TextBox(text, caret));
    } else {
        WriteTextBox(*qobject_cast<QTextEdit*>(box), TextBox(text, caret));
    }
}

// What an input method sends while converting: the reading or candidate, underlined, with its
// own cursor at the end.
void Preedit(QWidget* box, const QString& text) {
    QTextCharFormat underline;
    underline.setFontUnderline(true);
    QList<QInputMethodEvent::Attribute> attributes = {
        {QInputMethodEvent::TextFormat, 0, static_cast<int>(text.size()), underline},
        {QInputMethodEvent::Cursor, static_cast<int>(text.size()), 1, QVariant()}};
    QInputMethodEvent event(text, attributes);
    QApplication::sendEvent(box, &event);
}

void Commit(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

// Types text the way a person does with mozc: reading, conversion, commit.
void TypeJapanese(QWidget* box, const QString& reading, const QString& converted) {
    Preedit(box, reading);
    Preedit(box, converted);
    Commit(box, converted);
}

class InputMethodFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetSharedMail(&mail_);
        Editor() = EditorState{};
    }
    void TearDown() override {
        Registry().Close<WriteForm>();
        Registry().Close<BackForm>();
        Registry().Close<TyakuForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Editor() = EditorState{};
        SetSharedMail(nullptr);
    }

public:
    WriteForm* Compose() {
        WriteForm* form = Registry().Show<WriteForm>();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
        return form;
    }
    BackForm* Reply() {
        OpenReplyWindow(u"tanaka@example.jp"_s, u"Re: 打ち合わせ"_s, u"> 元の本文"_s);
        BackForm* form = Registry().Find<BackForm>();
        EXPECT_TRUE(form && QTest::qWaitForWindowExposed(form));
        return form;
    }
    // The received history with one mail, its row clicked so the body shows.
    TyakuForm* Viewer() {
        MailRecord record;
        auto put = [](char* field, std::size_t width, const QString& text) {
            const QByteArray bytes = EncodeCp932(text);
            std::memset(field, ' ', width);
            std::memcpy(field, bytes.constData(), std::min<std::size_t>(width, bytes.size()));
        };
        put(record.Subject, sizeof record.Subject, u"お知らせ"_s);
        put(record.Address, sizeof record.Address, u"佐藤 <sato@example.jp>"_s);
        put(record.DateText, sizeof record.DateText, u"2026/12/07 10:00"_s);
        put(record.Body, sizeof record.Body, u"本文です"_s);
        record.Live = 1;
        EXPECT_TRUE(WriteRecord(ReceivedStore(), 1, record));
        OpenHistory(HistoryMode::Received);
        TyakuForm* form = Registry().Find<TyakuForm>();
        EXPECT_TRUE(form && QTest::qWaitForWindowExposed(form));
        QTreeView* list = form->MailListView();
        const QRect row = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        return form;
    }

protected:
    TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
    RecordingMail mail_;
};

struct BoxCase {
    const char* name;
    std::function<QWidget*(InputMethodFixture&)> open;
};

class InputMethodTest : public InputMethodFixture, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(InputMethodTest, PreeditStaysOutOfTheTextAndTheCommitLandsAtTheCaret) {
    QWidget* box = GetParam().open(*this);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->testAttribute(Qt::WA_InputMethodEnabled)) << "the input method would never be asked";
    box->setFocus();
    Prefill(box, u"前後"_s, 1);

    Preedit(box, u"にほんご"_s);
    Typed during = Read(box);
    EXPECT_EQ(during.text, u"前後"_s) << "a reading still being converted is not text yet";

    Preedit(box, u"日本語"_s);
    Commit(box, u"日本語"_s);
    Typed after = Read(box);
    EXPECT_EQ(after.text, u"前日本語後"_s);
    EXPECT_EQ(after.caret, 4);

    // A second word right after the first, then a cancelled conversion (empty preedit, no
    // commit) leaves the text as it was.
    TypeJapanese(box, u"を"_s, u"を"_s);
    Preedit(box, u"にゅうりょく"_s);
    Preedit(box, QString());
    after = Read(box);
    EXPECT_EQ(after.text, u"前日本語を後"_s);
    EXPECT_EQ(after.caret, 5);
}

TEST_P(InputMethodTest, CommitReplacesTheSelection) {
    QWidget* box = GetParam().open(*this);
    ASSERT_NE(box, nullptr);
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->setText(u"かな漢字"_s);
        line->setSelection(0, 2);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(box)) {
        TextBox value(u"かな漢字"_s);
        Select(value, 0, 2);
        WriteTextBox(*plain, value);
    } else {
        TextBox value(u"かな漢字"_s);
        Select(value, 0, 2);
        WriteTextBox(*qobject_cast<QTextEdit*>(box), value);
    }
    TypeJapanese(box, u"かな"_s, u"仮名"_s);
    EXPECT_EQ(Read(box).text, u"仮名漢字"_s);
}

INSTANTIATE_TEST_SUITE_P(
    TextBoxes, InputMethodTest,
    ::testing::Values(
        BoxCase{"ComposeSubject",
                [](InputMethodFixture& f) -> QWidget* { return f.Compose()->SubjectText(); }},
        BoxCase{"ComposeBody", [](InputMethodFixture& f) -> QWidget* { return f.Compose()->BodyText(); }},
        BoxCase{"ReplySubject", [](InputMethodFixture& f) -> QWidget* { return f.Reply()->SubjectText(); }},
        BoxCase{"ReplyBody", [](InputMethodFixture& f) -> QWidget* { return f.Reply()->BodyText(); }},
        BoxCase{"ViewerBody", [](InputMethodFixture& f) -> QWidget* { return f.Viewer()->BodyEditor(); }}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

using InputMethodFlowTest = InputMethodFixture;

TEST_F(InputMethodFlowTest, CommittedSubjectAndBodyAreWhatIsSent) {
    AccountSettings().SmtpServer = u"127.0.0.1:2525"_s;
    WriteForm* form = Compose();
    form->ToText()->setText(u"friend@example.jp"_s);
    TypeJapanese(form->SubjectText(), u"かいぎ"_s, u"会議"_s);
    TypeJapanese(form->BodyText(), u"あした"_s, u"明日"_s);
    Commit(form->BodyText(), u"\n"_s);
    TypeJapanese(form->BodyText(), u"よろしく"_s, u"宜しく"_s);
    Preedit(form->BodyText(), u"おねがい"_s); // still converting when the button is pressed
    form->SendButton()->click();
    ASSERT_EQ(mail_.calls.size(), 1u);
    EXPECT_EQ(mail_.calls[0].subject, u"会議"_s);
    EXPECT_EQ(mail_.calls[0].body, u"明日\r\n宜しく"_s);
}

TEST_F(InputMethodFlowTest, CommitInTheViewerMarksItsTextChanged) {
    TyakuForm* form = Viewer();
    ASSERT_EQ(BoxText(*form->BodyEditor()), u"本文です"_s);
    // Punctuation comes from the input method as a bare commit, without a preedit before it.
    Editor().EditorModified = false;
    Commit(form->BodyEditor(), u"。"_s);
    EXPECT_TRUE(Editor().EditorModified);
    EXPECT_EQ(BoxText(*form->BodyEditor()), u"。本文です"_s);
}

} // namespace
