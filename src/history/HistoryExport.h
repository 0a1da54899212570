// The viewer's ファイル menu items that write the shown history (mbox or a folder of .eml files)
// or the address book (vCard or CSV) for other programs. Each asks where through the dialog
// service (Cancel writes nothing) and tells how many were written or what failed. The backup of
// the whole program folder sits beside them.
#pragma once

#include "history/HistoryMode.h"

namespace ricorne {

enum class HistoryExportKind { Mbox, EmlFolder, Vcard, Csv };

void ExportFromViewer(HistoryExportKind kind, HistoryMode mode = CurrentHistoryMode());

// "バックアップを作る": the program folder's data into one dated .tar.zst (core/archive/Backup.h),
// wherever the user says (the home folder is offered).
void BackupFromViewer();

} // namespace ricorne
