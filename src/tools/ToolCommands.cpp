#include "ToolCommands.h"

#include "CheckCommand.h"
#include "DeleteCommand.h"
#include "ListCommand.h"

namespace ricorne {

const QList<ToolCommand>& ToolCommands() {
    static const QList<ToolCommand> commands = {
        {"decode", "FILE [--attachments DIR]", RunDecodeCommand},
        {"send",
         "--appdir DIR --to ADDR --subject TEXT --body-file FILE [--attach PATH]... [--fortune] [--batch]",
         RunSendCommand},
        {"check", "--appdir DIR", RunCheckCommand},
        {"list", "--appdir DIR received|sent|addresses", RunListCommand},
        {"delete", "--appdir DIR received|sent|addresses N", RunDeleteCommand},
        {"search", "--appdir DIR received|sent [--exact-kana] WORDS...", RunSearchCommand},
        {"export", "--appdir DIR received|sent --mbox FILE|--eml-dir DIR | addresses --vcard FILE|--csv FILE",
         RunExportCommand},
        {"import", "--appdir DIR received|sent|addresses PATH", RunImportCommand},
        {"backup", "--appdir DIR FILE|FOLDER", RunBackupCommand},
        {"restore", "--appdir DIR FILE", RunRestoreCommand},
        {"account",
         "--suggest ADDRESS | --test --appdir DIR | --sign-in --appdir DIR [--device|--browser] [--client-id "
         "ID]",
         RunAccountCommand},
    };
    return commands;
}

} // namespace ricorne
