// Reading and writing the face-mark lists. Each file is the whole content of one box, CP932 with
// CR LF line breaks; in the program a list is held as its box holds it ("\n" line breaks).
//
// A list is only written when the user changed it, so opening and closing the palette leaves
// the files byte for byte. A file that is not clean CP932 (saved as UTF-8 by a text editor, or
// holding bytes CP932 has no character for) is shown as well as it can be read and is never
// written back unedited; once edited, its original bytes are kept beside it as "NAME.bak".
#pragma once

#include "core/platform/ReplaceFile.h"
#include "facemarks/FaceMarkLists.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace ricorne {

// How a list's file was read.
enum class ListReading {
    Cp932,   // clean CP932 (or missing): written back as it is shown
    Utf8,    // UTF-8, with or without a byte-order mark: read as such
    Damaged, // bytes that are no CP932 text: unreadable ones are shown as U+FFFD
};

struct FaceMarkListFile {
    QString text;     // as the box shows it; a final line break stays
    QByteArray bytes; // the file as read; null when it was missing
    ListReading reading = ListReading::Cp932;
};

using FaceMarkFiles = std::array<FaceMarkListFile, kFaceMarkListCount>;
using FaceMarkTexts = std::array<QString, kFaceMarkListCount>;

// Reads a list's bytes. A missing or unreadable file reads as an empty clean list.
FaceMarkListFile ReadFaceMarkList(const QByteArray& bytes);
FaceMarkListFile LoadFaceMarkList(int tab);
FaceMarkFiles LoadFaceMarkLists();

// The bytes a list's text is written as: CP932, CR LF line ends, and a final CR LF unless the
// text already ends with a line break (so a list does not grow by one line per edit).
QByteArray FaceMarkListBytes(const QString& text);

// Writes the list of tab with text in place of what was loaded: a list that was not clean CP932
// first keeps its original bytes as "NAME.bak". Creates the face-mark folder when it is missing.
platform::ReplaceResult SaveFaceMarkList(int tab, const QString& text, const FaceMarkListFile& loaded = {});

} // namespace ricorne
