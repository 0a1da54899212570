// The body editor's process-wide state: it outlives the viewer window, so a second opening of
// the viewer finds the same file name, modified mark and style switches.
#pragma once

#include <QString>

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

} // namespace ricorne
