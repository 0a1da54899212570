// The body editor's process-wide state: it outlives the viewer window, so a second opening of
// the viewer finds the same file name, modified mark and style switches.
#pragma once

#include <QString>

#include <optional>

namespace ricorne {

struct EditorState {
    QString EditorFile;          // the editor's current file; empty until the New command
    bool EditorModified = false; // set by every change of the body text
    int CaretMemory[2] = {0, 0}; // the two remembered caret positions, newest first
    bool Bold = false;           // what the last click of each style switch turned on
    bool Italic = false;
    bool Underline = false;
};

EditorState& Editor();

// Reads a text file for the editor: CP932, line ends as the controls hold them ("\n").
// Nothing when the file cannot be read.
std::optional<QString> ReadEditorFile(const QString& path);

} // namespace ricorne
