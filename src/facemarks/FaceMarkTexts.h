// Messages of the face-mark palette.
#pragma once

#include <QString>
#include <QStringList>

namespace ricorne {

// Shown when the palette opens with lists that are not clean CP932. Each entry of lines reads
// "Text3.txt（UTF-8 として読みました）".
QString ListsNotCp932Text(const QStringList& lines);
QString ReadAsUtf8Note(const QString& fileName);
QString ReadDamagedNote(const QString& fileName);

// Asked before an edited list with characters a list file cannot hold is written.
// canStayOpen: いいえ returns to the palette; otherwise いいえ leaves the file as it was.
QString UnkeptFaceMarksQuestion(const QString& caption, const QStringList& characters, bool canStayOpen);

// Lists that could not be written, one failure a line (ReplaceResult::Text()).
QString FaceMarkSaveFailedText(const QStringList& failures);

} // namespace ricorne
