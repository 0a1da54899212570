#include "ToolCommands.h"

#include "CheckCommand.h"

namespace ricorne {

const QList<ToolCommand>& ToolCommands() {
    static const QList<ToolCommand> commands = {
        {"decode", "FILE [--attachments DIR]", RunDecodeCommand},
        {"check", "--appdir DIR", RunCheckCommand},
    };
    return commands;
}

} // namespace ricorne
