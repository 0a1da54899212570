// The quick-save file of a record: "■TextQuickSave" + the subject + ".txt".
//
// A subject is whatever the user typed or the mail carried, so it is made into one plain file
// name inside the folder: "/" becomes "／", "\" becomes "＼" (neither can start a folder),
// control characters are dropped, and a name too long for the file system is shortened. The
// existence test is literal (no wildcards) and ignores ASCII letter case, as every file name of
// the program does.
#pragma once

#include "core/platform/ReplaceFile.h"

#include <QString>

namespace ricorne {

// The file name (with ".txt") for a subject; ".txt" alone for an empty one.
QString QuickSaveFileName(const QString& subject);

// The real path of the quick-save folder (resolved now); it may not exist.
QString QuickSaveFolder();

// The entry of folder that names the same file as fileName (exact spelling first, else one that
// differs only in ASCII letter case); empty when there is none.
QString ExistingQuickSaveEntry(const QString& folder, const QString& fileName);

// Replaces (or creates) folder/fileName with content (platform::ReplaceFileWhole): on any failure,
// a full disk included, the old file stays whole. Refuses a missing folder and a name that is a
// link or a folder. The result says what failed and where.
platform::ReplaceResult WriteQuickSaveFile(const QString& folder, const QString& fileName,
                                           const QByteArray& content);

} // namespace ricorne
