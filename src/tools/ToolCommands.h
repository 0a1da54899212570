// The subcommands of ricorne-mailtool. Each one lives in its own file and is listed once in
// ToolCommands.cpp. A command gets the arguments after its name and returns the exit status:
// 0 done (also when the mail itself was odd), 1 the tool could not do its work (unreadable file,
// ...), 2 bad arguments.
#pragma once

#include <QStringList>

namespace ricorne {

struct ToolCommand {
    const char* name;
    const char* usage; // arguments after the name, for the usage text
    int (*run)(const QStringList& args);
};

// All commands, in the order the usage text lists them.
const QList<ToolCommand>& ToolCommands();

enum ToolExit { kToolOk = 0, kToolFailed = 1, kToolBadArguments = 2 };

// decode FILE [--attachments DIR]  (DecodeCommand.cpp)
int RunDecodeCommand(const QStringList& args);

// send --appdir DIR --to ADDR --subject TEXT --body-file FILE [--attach ...] [--fortune] [--batch]
// (SendCommand.cpp)
int RunSendCommand(const QStringList& args);

// account --suggest ADDRESS | account --test --appdir DIR  (AccountCommand.cpp)
int RunAccountCommand(const QStringList& args);

// search --appdir DIR received|sent [--exact-kana] WORDS...  (SearchCommand.cpp)
int RunSearchCommand(const QStringList& args);

// export --appdir DIR received|sent --mbox FILE|--eml-dir DIR, addresses --vcard FILE|--csv FILE
// (ExportCommand.cpp)
int RunExportCommand(const QStringList& args);

// import --appdir DIR received|sent|addresses PATH  (ImportCommand.cpp)
int RunImportCommand(const QStringList& args);

// backup --appdir DIR FILE, restore --appdir DIR FILE  (BackupCommand.cpp)
int RunBackupCommand(const QStringList& args);
int RunRestoreCommand(const QStringList& args);

} // namespace ricorne
