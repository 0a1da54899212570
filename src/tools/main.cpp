// ricorne-mailtool COMMAND ARGS...: the program's mail logic without windows.
#include <QCoreApplication>

#include "PrintingDialogService.h"
#include "ToolCommands.h"
#include "ToolOutput.h"

namespace {

void PrintUsage() {
    QString text = QStringLiteral("usage:");
    for (const ricorne::ToolCommand& c : ricorne::ToolCommands()) {
        text += QStringLiteral("\n  ricorne-mailtool %1 %2")
                    .arg(QString::fromUtf8(c.name), QString::fromUtf8(c.usage));
    }
    ricorne::WriteStderr(text);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ricorne::PrintingDialogService dialogs;
    ricorne::SetDialogService(&dialogs);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        PrintUsage();
        return args.isEmpty() ? ricorne::kToolBadArguments : ricorne::kToolOk;
    }
    const QString name = args.takeFirst();
    for (const ricorne::ToolCommand& c : ricorne::ToolCommands()) {
        if (name == QLatin1String(c.name)) {
            return c.run(args);
        }
    }
    ricorne::WriteStderr(QStringLiteral("unknown command: ") + name);
    PrintUsage();
    return ricorne::kToolBadArguments;
}
