// The body editor's commands without a window: clipboard commands, search with its position,
// New, Open, Save as, printing and the style switches, on real files in a temporary folder.
#include "history/EditorCommands.h"
#include "FakeEditorHost.h"
#include "SmallDisk.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/text/Text.h"
#include "history/TyakuTexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class EditorCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(dir_.path()); // New's first file lands in the current folder
        Editor() = EditorState{};
    }
    void TearDown() override {
        QDir::setCurrent(previousFolder_);
        Editor() = EditorState{};
    }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QString previousFolder_;
    FakeEditorHost host_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
};

// --- Clipboard commands -------------------------------------------------------------------------

struct ClipboardRow {
    const char* name;
    void (*command)(EditorHost&);
    QString text;
    int start, length;
    QString clipboardBefore;
    QString textAfter;
    int caretAfter;
    QString clipboardAfter;
};

class ClipboardCommandTest : public EditorCommandsTest, public ::testing::WithParamInterface<ClipboardRow> {};

TEST_P(ClipboardCommandTest, EditsTheBoxAndTheClipboard) {
    const ClipboardRow& row = GetParam();
    host_.box.text = row.text;
    Select(host_.box, row.start, row.length);
    host_.clipboard = row.clipboardBefore;
    row.command(host_);
    EXPECT_EQ(host_.box.text, row.textAfter);
    EXPECT_EQ(host_.box.Caret(), row.caretAfter);
    EXPECT_EQ(host_.box.selectionLength, 0);
    EXPECT_EQ(host_.clipboard, row.clipboardAfter);
    EXPECT_GE(host_.focusCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClipboardCommandTest,
    ::testing::Values(ClipboardRow{"CopyNothingEmptiesClipboardAndGoesToStart", CopyCommand,
                                   u"お知らせ本文"_s, 4, 0, u"前の内容"_s, u"お知らせ本文"_s, 0, QString()},
                      ClipboardRow{"CopyCollapsesToTheSelectionEnd", CopyCommand, u"お知らせ本文"_s, 1, 3,
                                   QString(), u"お知らせ本文"_s, 4, u"知らせ"_s},
                      ClipboardRow{"CutTakesTheSelectionOut", CutCommand, u"今日は晴れです"_s, 3, 2,
                                   QString(), u"今日はです"_s, 3, u"晴れ"_s},
                      ClipboardRow{"PasteStripsOnlyAsciiSpaces", PasteCommand, u"前後"_s, 1, 0,
                                   u"  \u3000顔（＾＾）\n  "_s, u"前\u3000顔（＾＾）\n後"_s, 8,
                                   u"  \u3000顔（＾＾）\n  "_s},
                      ClipboardRow{"PasteWithoutTextDeletesTheSelection", PasteCommand, u"消える部分"_s, 0, 3,
                                   QString(), u"部分"_s, 0, QString()}),
    [](const ::testing::TestParamInfo<ClipboardRow>& info) { return std::string(info.param.name); });

// --- Search -------------------------------------------------------------------------------------

TEST_F(EditorCommandsTest, SearchThenFindNextWalksTheMatchesAndAMissKeepsTheSelection) {
    host_.box = TextBox(u"ねこねこ"_s);
    host_.search = u"ねこ"_s;
    int searchPos = 0;
    SearchCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 1);
    EXPECT_EQ(host_.box.selectionStart, 0);
    EXPECT_EQ(host_.box.selectionLength, 2);
    FindNextCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 3);
    EXPECT_EQ(host_.box.selectionStart, 2);
    EXPECT_EQ(host_.box.selectionLength, 2);
    const int focused = host_.focusCount;
    FindNextCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 0);
    EXPECT_EQ(host_.box.selectionStart, 2); // the miss shows nothing and moves nothing
    EXPECT_EQ(host_.box.selectionLength, 2);
    EXPECT_EQ(host_.focusCount, focused);
    // After the miss Find next starts at the search text's length: the second match again.
    FindNextCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 3);
    EXPECT_FALSE(Editor().EditorModified); // selecting is no change of the text
}

TEST_F(EditorCommandsTest, FindNextBeforeAnySearchSkipsTheFirstMatch) {
    host_.box = TextBox(u"ねこねこ"_s);
    host_.search = u"ねこ"_s;
    int searchPos = 0;
    FindNextCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 3);
    EXPECT_EQ(host_.box.SelectedText(), u"ねこ"_s);
    EXPECT_EQ(host_.box.selectionStart, 2);
}

TEST_F(EditorCommandsTest, SearchIsExactAndAnEmptySearchTextFindsNothing) {
    host_.box = TextBox(u"ＡＢＣ abc"_s, 1);
    int searchPos = 5;
    host_.search = u"ABC"_s; // neither the full-width nor the lower-case letters match
    SearchCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 0);
    host_.search.clear();
    for (auto* command : {SearchCommand, FindNextCommand}) {
        searchPos = 0;
        command(host_, searchPos);
        EXPECT_EQ(searchPos, 0);
        EXPECT_EQ(host_.box, TextBox(u"ＡＢＣ abc"_s, 1));
    }
}

TEST_F(EditorCommandsTest, MatchesBeyondSixteenBitPositionsAreFoundAndContinuedFrom) {
    const QString filler(40000, u'あ');
    host_.box = TextBox(filler + u"猫"_s + QString(30000, u'い') + u"猫"_s);
    host_.search = u"猫"_s;
    int searchPos = 0;
    SearchCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 40001);
    FindNextCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 70002);
    EXPECT_EQ(host_.box.selectionStart, 70001);
    FindNextCommand(host_, searchPos);
    EXPECT_EQ(searchPos, 0);
}

// --- New ----------------------------------------------------------------------------------------

TEST_F(EditorCommandsTest, FirstNewWithoutAFileCreatesTheNewFileHereAndTheSecondDoesNothing) {
    host_.box = TextBox(u"書きかけの本文"_s);
    Editor().EditorModified = true;
    NewCommand(host_, Editor());
    EXPECT_EQ(host_.box.text, QString());
    EXPECT_EQ(Editor().EditorFile, u"新規作成.TXT"_s);
    EXPECT_FALSE(Editor().EditorModified);
    EXPECT_EQ(host_.caption, u"新規作成.TXT      新規作成.TXT"_s);
    EXPECT_EQ(ReadBytes(FilePath(u"新規作成.TXT"_s)), QByteArray());
    EXPECT_TRUE(dialogs_.Requests().empty()); // the unnamed file's save stays quiet
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"新規作成.TXT"_s});

    WriteBytes(FilePath(u"新規作成.TXT"_s), "kept");
    host_.SetEditorBox(TextBox(u"また書いた"_s)); // typed: the editor is modified again
    host_.caption = u"着信履歴"_s;
    NewCommand(host_, Editor());
    EXPECT_EQ(host_.box.text, u"また書いた"_s);
    EXPECT_EQ(host_.caption, u"着信履歴"_s);
    EXPECT_TRUE(Editor().EditorModified);
    EXPECT_EQ(ReadBytes(FilePath(u"新規作成.TXT"_s)), QByteArray("kept"));
}

TEST_F(EditorCommandsTest, NewSavesAModifiedTextToANamedFileAndStartsTheNewFileBesideIt) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"文書"_s));
    const QString memo = FilePath(u"文書/メモ.txt"_s);
    Editor().EditorFile = memo;
    host_.box = TextBox(u"一行目\n二行目～"_s);
    Editor().EditorModified = true;
    NewCommand(host_, Editor());
    EXPECT_EQ(ReadBytes(memo), EncodeCp932(u"一行目\r\n二行目～"_s));
    EXPECT_EQ(Editor().EditorFile, FilePath(u"文書/新規作成.TXT"_s));
    EXPECT_EQ(ReadBytes(Editor().EditorFile), QByteArray());
    EXPECT_EQ(host_.caption, u"新規作成.TXT      "_s + FilePath(u"文書/新規作成.TXT"_s));

    // An unmodified text is not written.
    Editor() = EditorState{};
    Editor().EditorFile = u"C:\\メール\\下書き.txt"_s;
    NewCommand(host_, Editor());
    EXPECT_EQ(Editor().EditorFile, u"C:\\メール\\新規作成.TXT"_s);
    EXPECT_FALSE(QFile::exists(u"C:\\メール\\下書き.txt"_s));
}

TEST_F(EditorCommandsTest, NewTellsWhichNamedFileCouldNotBeWritten) {
    const QString memo = FilePath(u"無い/メモ.txt"_s);
    Editor().EditorFile = memo;
    host_.box = TextBox(u"大事な本文"_s);
    Editor().EditorModified = true;
    NewCommand(host_, Editor());
    const QStringList texts = dialogs_.MessageTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].startsWith(u"ファイル「"_s + memo + u"」に保存できませんでした。"_s));
    EXPECT_TRUE(texts[1].contains(FilePath(u"無い/新規作成.TXT"_s)));
    EXPECT_EQ(dialogs_.Requests()[0].buttons, MessageButtons::Ok);
}

TEST_F(EditorCommandsTest, NewAsksBeforeEmptyingANewFileThatHoldsTextAndNoChangesNothing) {
    const QByteArray draft = EncodeCp932(u"前回の下書き①"_s);
    WriteBytes(FilePath(u"新規作成.TXT"_s), draft);
    host_.box = TextBox(u"表示中の本文"_s);
    host_.caption = u"着信履歴"_s;
    dialogs_.QueueAnswer(Answer::No);
    NewCommand(host_, Editor());
    ASSERT_EQ(dialogs_.MessageTexts(), QStringList{ConfirmEmptyNewFileText(u"新規作成.TXT"_s)});
    EXPECT_EQ(ReadBytes(FilePath(u"新規作成.TXT"_s)), draft);
    EXPECT_EQ(host_.box.text, u"表示中の本文"_s);
    EXPECT_EQ(host_.caption, u"着信履歴"_s);
    EXPECT_EQ(Editor().EditorFile, QString());

    dialogs_.QueueAnswer(Answer::Yes);
    NewCommand(host_, Editor());
    EXPECT_EQ(ReadBytes(FilePath(u"新規作成.TXT"_s)), QByteArray());
    EXPECT_EQ(Editor().EditorFile, u"新規作成.TXT"_s);
}

// On a full disk a save fails with what failed and where, and the former file stays whole.
TEST_F(EditorCommandsTest, SavesOnAFullDiskKeepTheFormerFilesAndSayWhere) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"disk"_s));
    testing::SmallDisk disk(64 * 1024, FilePath(u"disk"_s));
    if (!disk.Mounted())
        GTEST_SKIP() << disk.SkipReason().toStdString();
    const QString memo = FilePath(u"disk/メモ.txt"_s);
    const QByteArray before = EncodeCp932(u"前の内容です\r\n"_s.repeated(100));
    WriteBytes(memo, before);
    ASSERT_TRUE(disk.Fill());

    host_.box = TextBox(u"長い本文"_s.repeated(2000));
    dialogs_.QueuePath(memo);
    SaveAsCommand(host_, host_.Shown());
    Editor().EditorFile = memo;
    Editor().EditorModified = true;
    NewCommand(host_, Editor());

    const QStringList texts = dialogs_.MessageTexts();
    ASSERT_EQ(texts.size(), 2);
    for (const QString& text : texts) {
        EXPECT_TRUE(text.startsWith(EditorSaveFailedText(memo))) << text.toStdString();
        EXPECT_TRUE(text.contains(u"一時ファイルに書き込めません"_s)) << text.toStdString();
    }
    EXPECT_EQ(ReadBytes(memo), before);
}

// --- Open ---------------------------------------------------------------------------------------

struct LinesRow {
    const char* name;
    QByteArray bytes;
    QString shown;
};

class OpenLinesTest : public EditorCommandsTest, public ::testing::WithParamInterface<LinesRow> {};

TEST_P(OpenLinesTest, EveryLineEndsWithABreak) {
    const QString path = FilePath(u"読む.txt"_s);
    WriteBytes(path, GetParam().bytes);
    dialogs_.QueuePath(path);
    OpenCommand(host_);
    EXPECT_EQ(host_.box.text, GetParam().shown);
    EXPECT_EQ(host_.caption, path);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenLinesTest,
    ::testing::Values(LinesRow{"LastLineWithoutBreak", EncodeCp932(u"拝啓\r\n敬具"_s), u"拝啓\n敬具\n"_s},
                      LinesRow{"CarriageReturnsAlone", EncodeCp932(u"①\r㈱\r"_s), u"①\n㈱\n"_s},
                      LinesRow{"EmptyLinesKept", EncodeCp932(u"上\r\n\r\n下\r\n"_s), u"上\n\n下\n"_s},
                      LinesRow{"EmptyFile", QByteArray(), QString()}),
    [](const ::testing::TestParamInfo<LinesRow>& info) { return std::string(info.param.name); });

struct EncodingRow {
    const char* name;
    QByteArray bytes;
    QString caption; // after the path
};

class OpenEncodingTest : public EditorCommandsTest, public ::testing::WithParamInterface<EncodingRow> {};

// A UTF-8 file (as other editors save it) is read as UTF-8 and the caption says so.
TEST_P(OpenEncodingTest, ReadsTheTextAsItWasWrittenAndSaysHow) {
    const QString path = FilePath(u"読む.txt"_s);
    WriteBytes(path, GetParam().bytes);
    dialogs_.QueuePath(path);
    OpenCommand(host_);
    EXPECT_EQ(host_.box.text, u"拝啓 日本語の本文①～\n敬具\n"_s);
    EXPECT_EQ(host_.caption, path + GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenEncodingTest,
    ::testing::Values(EncodingRow{"Cp932", EncodeCp932(u"拝啓 日本語の本文①～\r\n敬具"_s), QString()},
                      EncodingRow{"Utf8", u"拝啓 日本語の本文①～\n敬具\n"_s.toUtf8(),
                                  OpenedAsUtf8Caption(QString(), false)},
                      EncodingRow{"Utf8WithBom", "\xEF\xBB\xBF" + u"拝啓 日本語の本文①～\r\n敬具"_s.toUtf8(),
                                  OpenedAsUtf8Caption(QString(), true)}),
    [](const ::testing::TestParamInfo<EncodingRow>& info) { return std::string(info.param.name); });

TEST_F(EditorCommandsTest, OpenAsksWithTheTextFilterAndLeavesTheEditorOnCancelOrAnUnreadableFile) {
    host_.box = TextBox(u"元の本文"_s, 2);
    host_.caption = u"着信履歴"_s;
    OpenCommand(host_); // cancelled
    EXPECT_EQ(host_.caption, u"着信履歴"_s);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].kind, DialogRequest::Kind::OpenFile);
    EXPECT_EQ(dialogs_.Requests()[0].filter, u"txtファイル(*.txt,*.ini) (*.txt *.ini)"_s);

    const QString gone = FilePath(u"消えた.txt"_s);
    dialogs_.QueuePath(gone);
    OpenCommand(host_);
    EXPECT_EQ(host_.caption, gone);
    EXPECT_EQ(host_.box, TextBox(u"元の本文"_s, 2));
    EXPECT_EQ(Editor().EditorFile, QString());
    EXPECT_EQ(dialogs_.MessageTexts(), QStringList());
}

// --- Save as ------------------------------------------------------------------------------------

TEST_F(EditorCommandsTest, TwoSavesPutTwoHeadingsAndTheSecondFileHoldsBoth) {
    host_.subject = u"会議のお知らせ"_s;
    host_.sender = u"山田 <yamada@example.jp>"_s;
    host_.date = u"2026/12/07 10:00"_s;
    host_.box = TextBox(u"本文一行目\n二行目"_s);
    const QString heading =
        u"Subject:  会議のお知らせ\nFrom:  山田 <yamada@example.jp>\nDate:  2026/12/07 10:00\nBody:  "_s;
    const QString first = FilePath(u"一回目.txt"_s), second = FilePath(u"二回目.txt"_s);
    dialogs_.QueuePath(first);
    dialogs_.QueuePath(second);
    SaveAsCommand(host_, host_.Shown());
    EXPECT_EQ(ReadBytes(first), EncodeCp932(ToCrLf(heading + u"本文一行目\n二行目"_s) + u"\r\n"_s));
    SaveAsCommand(host_, host_.Shown());
    EXPECT_EQ(host_.box.text, heading + heading + u"本文一行目\n二行目"_s);
    EXPECT_EQ(ReadBytes(second), EncodeCp932(ToCrLf(host_.box.text) + u"\r\n"_s));
    EXPECT_EQ(host_.caption, second);
    EXPECT_EQ(dialogs_.Requests()[0].filter, EditorFileFilter());
    EXPECT_EQ(Editor().EditorFile, QString());
}

TEST_F(EditorCommandsTest, CancelledSaveKeepsTheHeadingAndWritesNothing) {
    host_.subject = u"件名"_s;
    host_.box = TextBox(u"本文"_s);
    host_.caption = u"送信履歴"_s;
    SaveAsCommand(host_, host_.Shown());
    EXPECT_EQ(host_.box.text, u"Subject:  件名\nFrom:  \nDate:  \nBody:  本文"_s);
    EXPECT_EQ(host_.caption, u"送信履歴"_s);
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(EditorCommandsTest, FailedSaveNamesTheFileAndKeepsTheFormerOne) {
    const QString target = FilePath(u"無いフォルダ/保存.txt"_s);
    dialogs_.QueuePath(target);
    SaveAsCommand(host_, host_.Shown());
    EXPECT_EQ(host_.caption, target);
    ASSERT_EQ(dialogs_.MessageTexts().size(), 1);
    EXPECT_TRUE(
        dialogs_.MessageTexts()[0].startsWith(u"ファイル「"_s + target + u"」に保存できませんでした。\n"_s));
}

TEST_F(EditorCommandsTest, SaveNamesTheCharactersCp932CannotHoldAndWritesThemOnlyWhenAgreed) {
    host_.box = TextBox(u"絵文字😀と한글"_s);
    const QString target = FilePath(u"保存.txt"_s);
    dialogs_.QueuePath(target);
    dialogs_.QueueAnswer(Answer::No);
    SaveAsCommand(host_, host_.Shown());
    EXPECT_EQ(dialogs_.MessageTexts(), QStringList{EditorUnkeptText({u"😀"_s, u"한"_s, u"글"_s}, target)});
    EXPECT_FALSE(QFile::exists(target));

    dialogs_.QueuePath(target);
    dialogs_.QueueAnswer(Answer::Yes);
    SaveAsCommand(host_, host_.Shown());
    EXPECT_TRUE(ReadBytes(target).endsWith(EncodeCp932(u"絵文字?と??\r\n"_s)));
}

// --- Print and the style switches ---------------------------------------------------------------

TEST_F(EditorCommandsTest, PrintsTheChosenRangeWithEveryCopyInOneJobInTheEditorFont) {
    host_.box = TextBox(u"全文です\n二行目"_s);
    PrintCommand(host_); // cancelled: nothing printed
    dialogs_.QueuePrint({true, false, 2});
    PrintCommand(host_);
    Select(host_.box, 0, 2);
    dialogs_.QueuePrint({true, true, 1});
    PrintCommand(host_);
    dialogs_.QueuePrint({true, false, 1}); // the user picked all pages instead of the selection
    PrintCommand(host_);

    std::vector<std::pair<bool, QString>> asked;
    QStringList printed;
    for (const DialogRequest& r : dialogs_.Requests()) {
        if (r.kind == DialogRequest::Kind::Print)
            asked.emplace_back(r.hasSelection, QString());
        if (r.kind == DialogRequest::Kind::PrintText) {
            printed << QString::number(r.copies) + u' ' + r.text;
            EXPECT_EQ(r.font.family, u"IPAGothic"_s);
            EXPECT_EQ(r.font.pointSize, 10.5);
        }
    }
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_FALSE(asked[1].first);
    EXPECT_TRUE(asked[2].first);
    EXPECT_EQ(printed, (QStringList{u"2 全文です\n二行目\n"_s, u"1 全文\n"_s, u"1 全文です\n二行目\n"_s}));
}

TEST_F(EditorCommandsTest, StyleSwitchesFlipTheirOwnStyleAndASwitchLeftOnOnlyTurnsOff) {
    StyleCommand(host_, Editor(), FontStyle::Bold);
    StyleCommand(host_, Editor(), FontStyle::Underline);
    EXPECT_TRUE(host_.bold);
    EXPECT_FALSE(host_.italic);
    EXPECT_TRUE(host_.underline);
    EXPECT_TRUE(Editor().Bold);

    FakeEditorHost next; // a new window's editor shows its laid-out font
    StyleCommand(next, Editor(), FontStyle::Bold);
    EXPECT_FALSE(next.bold);
    EXPECT_FALSE(Editor().Bold);
    StyleCommand(next, Editor(), FontStyle::Bold);
    EXPECT_TRUE(next.bold);
    EXPECT_TRUE(Editor().Bold);
}

} // namespace
} // namespace ricorne
