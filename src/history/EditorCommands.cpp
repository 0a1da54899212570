#include "history/EditorCommands.h"

#include "core/platform/ReplaceFile.h"
#include "core/text/Text.h"
#include "history/TyakuTexts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ricorne {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Writes bytes as the whole file; a failure, a full disk included, leaves the former file in
// place and is shown with what failed.
void WriteWholeFile(const QString& path, const QByteArray& bytes) {
    if (const platform::ReplaceResult written = platform::ReplaceFileWhole(path, bytes); !written)
        Dialogs().Message(QString(), EditorSaveFailedText(path, written.Text()), MessageIcon::Warning,
                          MessageButtons::Ok);
}

// Everything up to and including the last folder separator; the whole name when it has none.
QString FolderPart(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return slash < 0 ? path : path.left(slash + 1);
}

// Looks for the search text from the 1-based position start; selects a match.
void SearchFrom(EditorHost& host, int& searchPos, int start) {
    const QString needle = host.SearchText();
    TextBox box = host.EditorBox();
    const int found = FindFrom(box, needle, start - 1);
    if (found < 0) {
        searchPos = 0;
        return;
    }
    searchPos = found + 1;
    host.FocusEditor();
    Select(box, found, int(needle.size()));
    host.SetEditorBox(box);
}

} // namespace

QString EditorFileFilter() {
    return QStringLiteral(u"txtファイル(*.txt,*.ini) (*.txt *.ini)");
}

QString NewFileName() {
    return QStringLiteral(u"新規作成.TXT");
}

void SelectAllCommand(EditorHost& host) {
    TextBox box = host.EditorBox();
    SelectAll(box);
    host.SetEditorBox(box);
}

void JumpToStartCommand(EditorHost& host) {
    TextBox box = host.EditorBox();
    JumpToStart(box);
    host.SetEditorBox(box);
    host.FocusEditor();
}

void JumpToEndCommand(EditorHost& host) {
    TextBox box = host.EditorBox();
    JumpToEnd(box);
    host.SetEditorBox(box);
    host.FocusEditor();
}

void CutCommand(EditorHost& host) {
    TextBox box = host.EditorBox();
    host.SetClipboardText(box.SelectedText());
    ReplaceSelection(box, QString());
    host.SetEditorBox(box);
    host.FocusEditor();
}

void CopyCommand(EditorHost& host) {
    TextBox box = host.EditorBox();
    host.SetClipboardText(TakeSelectionCollapsed(box));
    host.SetEditorBox(box);
    host.FocusEditor();
}

void PasteCommand(EditorHost& host) {
    host.FocusEditor();
    TextBox box = host.EditorBox();
    PasteStripped(box, host.ClipboardText());
    host.SetEditorBox(box);
    host.FocusEditor();
}

void SearchCommand(EditorHost& host, int& searchPos) {
    SearchFrom(host, searchPos, 1);
}

void FindNextCommand(EditorHost& host, int& searchPos) {
    SearchFrom(host, searchPos, searchPos + int(host.SearchText().size()));
}

void NewCommand(EditorHost& host, EditorState& editor) {
    if (editor.EditorFile.contains(NewFileName()))
        return;
    // A new file left from an earlier run may hold the user's writing: emptied only when agreed.
    const QString newFile = FolderPart(editor.EditorFile) + NewFileName();
    if (QFileInfo(newFile).size() > 0 && !Dialogs().Confirm(ConfirmEmptyNewFileText(newFile)))
        return;
    // The modified text goes to the current file without asking; with no file named yet there
    // is nowhere to put it, and nothing to say.
    if (editor.EditorModified && !editor.EditorFile.isEmpty())
        WriteWholeFile(editor.EditorFile, EncodeCp932(ToCrLf(host.EditorBox().text)));
    host.SetEditorBox(TextBox());
    editor.EditorFile = newFile;
    WriteWholeFile(editor.EditorFile, QByteArray());
    editor.EditorModified = false;
    host.SetCaption(NewFileName() + QStringLiteral("      ") + editor.EditorFile);
}

std::optional<QString> ReadEditorFile(const QString& path, LineEnds ends, FileEncoding* encoding) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    bool bom = false;
    const std::optional<QString> utf8 = DecodeUtf8File(bytes, &bom);
    if (encoding)
        *encoding = !utf8 ? FileEncoding::Cp932 : bom ? FileEncoding::Utf8WithBom : FileEncoding::Utf8;
    QString text = FromCrLf(utf8 ? *utf8 : DecodeCp932(bytes));
    // Every line ends with a break, the last one too; an empty file has no line.
    if (ends == LineEnds::EveryLine && !text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    return text;
}

void OpenCommand(EditorHost& host) {
    const QString path = Dialogs().OpenFile(QStringLiteral(u"開く"), QString(), EditorFileFilter());
    if (path.isEmpty())
        return;
    host.SetCaption(path);
    FileEncoding encoding = FileEncoding::Cp932;
    if (const std::optional<QString> text = ReadEditorFile(path, LineEnds::EveryLine, &encoding)) {
        host.SetEditorBox(TextBox(*text));
        if (encoding != FileEncoding::Cp932)
            host.SetCaption(OpenedAsUtf8Caption(path, encoding == FileEncoding::Utf8WithBom));
    }
}

void SaveAsCommand(EditorHost& host, const HistoryView& shown) {
    const QString heading = QStringLiteral("Subject:  ") + shown.SubjectText() + u'\n' +
                            QStringLiteral("From:  ") + shown.SenderText() + u'\n' +
                            QStringLiteral("Date:  ") + shown.DateText() + u'\n' + QStringLiteral("Body:  ");
    const TextBox box(heading + host.EditorBox().text);
    host.SetEditorBox(box);
    const QString path =
        Dialogs().SaveFile(QStringLiteral(u"名前を付けて保存"), QString(), EditorFileFilter());
    if (path.isEmpty())
        return;
    host.SetCaption(path);
    if (const QStringList unkept = UnkeptCharacters(box.text);
        !unkept.isEmpty() && !Dialogs().Confirm(EditorUnkeptText(unkept, path)))
        return;
    WriteWholeFile(path, EncodeCp932(ToCrLf(box.text) + kCrLf));
}

void PrintCommand(EditorHost& host) {
    const TextBox box = host.EditorBox();
    const PrintAnswer answer = Dialogs().AskPrint(box.HasSelection());
    if (!answer.accepted)
        return;
    // The range the user leaves or picks in the dialog decides what goes on paper.
    const QString text = (answer.selectionOnly && box.HasSelection() ? box.SelectedText() : box.text) + u'\n';
    Dialogs().PrintText(text, host.EditorFont(), answer.copies);
}

void StyleCommand(EditorHost& host, EditorState& editor, FontStyle style) {
    bool& on = style == FontStyle::Bold     ? editor.Bold
               : style == FontStyle::Italic ? editor.Italic
                                            : editor.Underline;
    on = !on;
    host.SetEditorStyle(style, on);
}

} // namespace ricorne
