// One-file backup of the program folder's data, and its restore.
//
// The backup is a tar archive compressed with zstd (.tar.zst, read by `tar --zstd -xf`) holding
// klmail.ini, providers.tsv and the folders ★MailData (stores, ids, address book, lists),
// 添付フォルダ, 顔文字データ and ■TextQuickSave as they are, names in UTF-8, and last a manifest
// "ricorne-manifest.txt" with one line per file: its SHA-256, its size and its path. It is
// written under the folder lock (no mail check changes a store meanwhile), to a temporary file
// renamed into place when whole.
//
// Restore first unpacks the whole archive into a folder beside the data and checks every file
// against the manifest (digest, size, nothing missing, nothing extra, no path leaving the
// program folder). Only then, under the folder lock, each file replaces its counterpart (one
// rename each) and files of the data folders that the backup does not hold are removed. A
// damaged or cut archive changes nothing.
#pragma once

#include <QString>

namespace ricorne {

struct BackupResult {
    bool ok = false;
    int files = 0;
    QString path;  // the archive written or read
    QString error; // what failed, for the user; empty when ok
};

// file: the archive to write; an existing folder gets "ricorne-backup-YYYYMMDD-HHMMSS.tar.zst".
BackupResult WriteBackup(const QString& file);
BackupResult RestoreBackup(const QString& file);

// "ricorne-backup-20240401-091244.tar.zst" for now.
QString DatedBackupName();

} // namespace ricorne
