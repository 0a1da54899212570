// Fixed texts of the history viewer: hover help of its controls, captions of its buttons, menus
// and toolbar, and the questions and failures of the record buttons. Help texts use CR LF for
// their line breaks.
#pragma once

#include "history/HistoryMode.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace ricorne {

// Help text shown in Text4 while the pointer is over the named control (Command1 to Command6,
// Text1); empty for any other name.
QString TyakuHelpText(const QString& controlName);
// What a screen reader calls the viewer's boxes and lists, by object name (empty for the
// controls whose caption already names them).
QString TyakuAccessibleName(const QString& controlName);

// Everything the viewer's menu items, toolbar buttons and record buttons can do.
enum class ViewerCommand {
    // The body editor (EditorCommands.h).
    New,
    Open,
    Save,
    Print,
    Cut,
    Copy,
    Paste,
    Bold,
    Italic,
    Underline,
    SelectAll,
    JumpStart,
    JumpEnd,
    Search,
    FindNext,
    // The window.
    Close,
    // Writing for other programs (HistoryExport.h).
    ExportMbox,
    ExportEml,
    ExportVcard,
    ExportCsv,
    Backup,
    // The record buttons (RecordOperations.h), Command1 to Command6.
    CopyField,
    QuickSave,
    DeleteOne,
    RegisterSender,
    Reply,
    DeleteAll,
};

struct TyakuMenuItem {
    QString name;                         // control name: "mnew", "mline" (separators), ...
    QString caption;                      // "-" for a separator
    std::optional<ViewerCommand> command; // what the item runs; none for a separator
};
struct TyakuMenu {
    QString name; // "mFile", "medit"
    QString caption;
    std::vector<TyakuMenuItem> items;
};
const std::vector<TyakuMenu>& TyakuMenus();

struct TyakuToolButton {
    QString key; // the button's name and icon
    QString tooltip;
    ViewerCommand command;
};
const std::vector<TyakuToolButton>& TyakuToolButtons();

// The record buttons in control-number order (Command1 is CopyField).
inline constexpr ViewerCommand kRecordButtonCommands[] = {
    ViewerCommand::CopyField,      ViewerCommand::QuickSave, ViewerCommand::DeleteOne,
    ViewerCommand::RegisterSender, ViewerCommand::Reply,     ViewerCommand::DeleteAll,
};

// The record buttons' questions and failures.
QString ConfirmDeleteText(HistoryMode); // differs by a trailing "?" in the sent history
QString ConfirmDeleteAllText();         // "すべてのデータを削除して良いですか？"
QString ConfirmOverwriteText(); // "同名のファイルが既に存在します。上書きしますか？ "
QString HistoryDeleteFailedText();
QString HistoryChangedText(); // the store changed behind the list: nothing deleted, list reloaded
QString RowVanishedText();    // a clicked row's record is gone: list reloaded
QString HistoryBeyondLimitText(qint64 total); // a store longer than the list can show
QString HistoryUnreadableText(const QString& path, const QString& cause);
QString FolderInPlaceCause(); // causes for HistoryUnreadableText
QString NoReadPermissionCause();
QString ReadErrorCause();
// The quick save could not write; detail says what failed and where (ReplaceResult::Text()).
QString QuickSaveFailedText(const QString& detail);
// Asked before a quick save whose text holds characters CP932 cannot: they would be saved as "?".
QString QuickSaveUnkeptText(const QStringList& characters, const QString& fileName);
// The body editor could not write the file at path; detail says what failed.
QString EditorSaveFailedText(const QString& path, const QString& detail = {});
// Asked before the editor's New empties a 新規作成.TXT that holds text.
QString ConfirmEmptyNewFileText(const QString& path);
// The caption after Open read a UTF-8 file.
QString OpenedAsUtf8Caption(const QString& path, bool bom);
// Asked before Save as writes characters CP932 cannot hold as "?".
QString EditorUnkeptText(const QStringList& characters, const QString& path);

// The history search box (the whole store, beside the body search of Text1).
QString HistorySearchPlaceholder();      // "履歴を検索"
QString KanaFoldingCaption();            // the check box that folds kana and widths
QString HistorySearchHitsText(int hits); // status line after a search
QString HistorySearchFailedText();       // the store could not be read

// Writing the history or the address book for other programs.
QString ExportDialogTitle(bool folder);
QString ExportDoneText(int written, const QString& path);
QString ExportFailedText(const QString& detail);
QString BackupDialogTitle();
QString BackupDoneText(int files, const QString& path);

} // namespace ricorne
