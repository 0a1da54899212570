// The body editor's commands, over the editor's process-wide state and the window that holds the
// editor. Each is what one menu item or toolbar button does. Files go through the dialog service;
// texts on disk are CP932 with CR LF line ends.
#pragma once

#include "history/EditorHost.h"
#include "history/EditorState.h"
#include "history/HistoryView.h"

#include <QString>

#include <optional>

namespace ricorne {

// The filter of the open and save dialogs (Qt's syntax).
QString EditorFileFilter();
// The name the New command gives the editor's file.
QString NewFileName();

// Caret at 0, everything selected.
void SelectAllCommand(EditorHost& host);
// Caret at the start or the end, nothing selected, the editor focused.
void JumpToStartCommand(EditorHost& host);
void JumpToEndCommand(EditorHost& host);

// Cut: the selection onto the clipboard, then removed.
// Copy: the selection onto the clipboard (empty when nothing is selected), then collapsed to its
// end, or to the start of the text when nothing was selected.
// Paste: the clipboard's text without leading and trailing ASCII spaces in place of the selection.
void CutCommand(EditorHost& host);
void CopyCommand(EditorHost& host);
void PasteCommand(EditorHost& host);

// searchPos is the window's SearchPos: the 1-based position of the last match, 0 after a miss.
// Search looks from the start of the text; Find next from SearchPos + the search text's length
// (1-based), so after a match it goes on right behind it, and after a miss or before any search
// it starts at the position equal to the search text's length. A match is selected and the
// editor focused; a miss sets SearchPos to 0 and keeps the selection. An empty search text finds
// nothing. Positions are not limited to 16 bits.
void SearchCommand(EditorHost& host, int& searchPos);
void FindNextCommand(EditorHost& host, int& searchPos);

// New: once per run (nothing when EditorFile already names the new file). When "新規作成.TXT"
// in EditorFile's folder already holds text, asks before emptying it (いいえ: nothing happens).
// Saves a modified text to EditorFile first (quietly skipped while EditorFile is empty), empties
// the editor, names the file "新規作成.TXT" in that folder, creates it empty, clears the
// modified mark and shows the file in the caption. A failed write shows a message naming the
// file and what failed.
void NewCommand(EditorHost& host, EditorState& editor);

// Open: asks for a file, shows its path in the caption and loads it, every line followed by a
// line break. A UTF-8 file is read as UTF-8 and the caption says so. A file that cannot be read
// leaves the editor as it was.
void OpenCommand(EditorHost& host);

// Reads a text file for the editor: UTF-8 when it is (core/text DecodeUtf8File), else CP932;
// lines ended by CR LF, CR or LF, held with "\n". Nothing when the file cannot be read. The
// Open command shows every line followed by "\n" (LineEnds::EveryLine, the last one too); the
// viewer's load shows the file as it is. encoding, when given, receives how it was read.
enum class LineEnds { AsInFile, EveryLine };
enum class FileEncoding { Cp932, Utf8, Utf8WithBom };
std::optional<QString> ReadEditorFile(const QString& path, LineEnds ends = LineEnds::AsInFile,
                                      FileEncoding* encoding = nullptr);

// Save as: puts the heading of the shown record (Subject, From, Date, Body) in front of the
// editor's text,
// asks for a file (cancel keeps the heading and writes nothing), shows the path in the caption and
// writes the text in CP932 with CR LF line ends and a final CR LF. Characters CP932 cannot hold
// are named first and written as "?" only when the user agrees. A failed write shows a message
// naming the file. EditorFile and the modified mark stay as they are.
void SaveAsCommand(EditorHost& host, const HistoryView& shown);

// Print: asks the print dialog (the selection preselected when there is one) and prints the
// selection or the whole text, in the editor's font, every copy asked for in one job.
void PrintCommand(EditorHost& host);

// Style switches: each click turns its style on the whole editor on when its switch was off,
// off when it was on, and records the new state in the switch.
void StyleCommand(EditorHost& host, EditorState& editor, FontStyle style);

} // namespace ricorne
