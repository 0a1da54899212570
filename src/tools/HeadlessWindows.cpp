#include "HeadlessWindows.h"

#include "ToolOutput.h"

namespace ricorne {

void PrintHeadlessLine(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    WriteStdout(line.toUtf8() + '\n');
}

} // namespace ricorne
