// Reading and writing the face-mark lists. Each file is the whole content of one box, CP932 with
// CR LF line breaks; in the program a list is held as its box holds it ("\n" line breaks).
#pragma once

#include "facemarks/FaceMarkLists.h"

#include <QString>
#include <array>

namespace ricorne {

using FaceMarkTexts = std::array<QString, kFaceMarkListCount>;

// The list's text exactly as the file holds it (nothing trimmed; a final line break stays).
// A missing or unreadable file reads as an empty list.
QString LoadFaceMarkList(int tab);
// Every list, in tab order.
FaceMarkTexts LoadFaceMarkLists();

// Writes text followed by one CR LF, replacing the file atomically (a failed write leaves the
// old file whole). Creates the file, and the face-mark folder when it is missing. False when
// the file could not be written.
bool SaveFaceMarkList(int tab, const QString& text);
// Writes every list, changed or not. False when any of them could not be written; the others
// are written all the same.
bool SaveFaceMarkLists(const FaceMarkTexts& texts);

} // namespace ricorne
