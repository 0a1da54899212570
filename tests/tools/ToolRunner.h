// Runs the built ricorne-mailtool as a child process and collects what it printed.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace ricorne::testing {

inline const QString kMailTool = QStringLiteral(RICORNE_APPDIR "/ricorne-mailtool");

struct ToolRun {
    int exitCode = -1; // -1 also when the tool crashed or did not end within 30 s
    QByteArray out, err;
};

inline ToolRun RunTool(const QStringList& args) {
    QProcess p;
    p.start(kMailTool, args);
    ToolRun r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace ricorne::testing
