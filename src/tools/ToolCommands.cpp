#include "ToolCommands.h"

namespace ricorne {

const QList<ToolCommand>& ToolCommands() {
    static const QList<ToolCommand> commands = {
        {"decode", "FILE [--attachments DIR]", RunDecodeCommand},
    };
    return commands;
}

} // namespace ricorne
