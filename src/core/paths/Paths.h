// Where things live: the folder of the executable and the fixed layout beside it.
//
// Every data path is the system's backslash-separated relative path (for example
// "\★MAilData\klmdata2.data") resolved under AppDir by ResolvePath, which matches each
// component without regard to ASCII letter case, so "★MailData" and "★MAilData" name one
// folder on a case-sensitive file system.
#pragma once

#include <QString>

namespace ricorne {

// The folder that holds the executable (or the folder set by SetAppDir).
QString AppDir();
// Overrides AppDir (tests, benchmarks, the mail tool). An empty text restores the default.
void SetAppDir(const QString& dir);

// Folder names of the layout.
QString MailDataDir();  // "★MailData"
QString AttachDir();    // "添付フォルダ"
QString FaceMarkDir();  // "顔文字データ"
QString QuickSaveDir(); // "■TextQuickSave"

// Relative paths of the files, spelled as the program has always written them.
QString ServerSettingsFile(); // "\klmail.ini"
QString CredentialsFile();    // "\★MailData\iniIdPass.ini"
QString ReceivedStoreFile();  // "\★MAilData\klmdata2.data"
QString SentStoreFile();      // "\★MAilData\klmdata5.data"
QString AddressStoreFile();   // "\★MAilData\Klmdata20.data"
QString ReceivedTempFile();   // "\★MAilData\KLMDATA2.TMP"
QString SentTempFile();       // "\★MAilData\KLMDATA5.TMP"
QString AddressTempFile();    // "\★MAilData\KLMDATA20.TMP"
QString MasterAddressFile();  // "\★MAilData\KLMASTER20.INI"

// Turns a backslash-separated path relative to AppDir into a real path. Each component is
// matched against what exists: the exact spelling first, else an entry that differs only in
// ASCII letter case (the first such entry in name order when there are several). A component
// with no match keeps its given spelling, so a file about to be created gets that name; the
// components after it keep theirs too. "/" is accepted as a separator as well; empty
// components are skipped.
QString ResolvePath(const QString& relative);

// Creates any installed folder (MailDataDir, AttachDir, FaceMarkDir, QuickSaveDir) missing
// from AppDir, so later writes into them do not fail. The folders hold the user's mail, so
// they are created 0700 and existing ones of ours lose their group and other permissions,
// whatever the umask. Returns false when one could not be created.
bool EnsureInstalledFolders();

// True when the two names are equal after folding ASCII A-Z to a-z (nothing else is folded).
bool SameNameIgnoringAsciiCase(const QString& a, const QString& b);

} // namespace ricorne
