// send --appdir DIR --to ADDR --subject TEXT --body-file FILE [--attach PATH]... [--fortune]
//      [--batch]: sends exactly as the compose window's "送信" does, on a compose state filled from
// the arguments, and prints every status line and every message box text, one per line.
// --attach may be given once per file. An argument that names an existing file is that one
// file, commas and all; otherwise it is read as several paths joined by ",".
// Exit status 1 when any mail was refused or the send stopped, so scripts can tell.
#include <QFile>
#include <QFileInfo>

#include "HeadlessWindows.h"
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "compose/ComposeState.h"
#include "compose/SendComposedMail.h"
#include "compose/SentHistoryLoss.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

struct SendArguments {
    QString appDir;
    QString to;
    QString subject;
    QString bodyFile;
    QStringList attachments;
    bool fortune = false;
    bool batch = false;
    bool haveTo = false;
    bool haveSubject = false;
};

int BadArguments(const QString& text) {
    WriteStderr(QStringLiteral("send: ") + text);
    return kToolBadArguments;
}

// The files one --attach argument names.
QStringList AttachmentPaths(const QString& argument) {
    if (QFileInfo(argument).isFile())
        return {argument};
    return argument.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace

int RunSendCommand(const QStringList& args) {
    SendArguments a;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& name = args.at(i);
        const auto value = [&](QString& into) {
            if (i + 1 >= args.size())
                return false;
            into = args.at(++i);
            return true;
        };
        bool ok = true;
        if (name == QLatin1String("--appdir"))
            ok = value(a.appDir);
        else if (name == QLatin1String("--to"))
            ok = a.haveTo = value(a.to);
        else if (name == QLatin1String("--subject"))
            ok = a.haveSubject = value(a.subject);
        else if (name == QLatin1String("--body-file"))
            ok = value(a.bodyFile);
        else if (name == QLatin1String("--attach")) {
            QString list;
            ok = value(list);
            if (ok && !list.isEmpty())
                a.attachments.append(list);
        } else if (name == QLatin1String("--fortune"))
            a.fortune = true;
        else if (name == QLatin1String("--batch"))
            a.batch = true;
        else
            return BadArguments(QStringLiteral("unexpected argument: ") + name);
        if (!ok)
            return BadArguments(name + QStringLiteral(" needs a value"));
    }
    if (a.appDir.isEmpty())
        return BadArguments(QStringLiteral("--appdir DIR is required"));
    if (!a.haveTo && !a.batch)
        return BadArguments(QStringLiteral("--to ADDR is required (or --batch)"));
    if (!a.haveSubject)
        return BadArguments(QStringLiteral("--subject TEXT is required"));
    if (a.bodyFile.isEmpty())
        return BadArguments(QStringLiteral("--body-file FILE is required"));

    const QFileInfo dir(a.appDir);
    if (!dir.isDir() || !dir.isWritable()) {
        WriteStderr(QStringLiteral("send: not a writable folder: ") + a.appDir);
        return kToolFailed;
    }
    QFile body(a.bodyFile);
    if (!body.open(QIODevice::ReadOnly)) {
        WriteStderr(QStringLiteral("send: cannot read ") + a.bodyFile + QStringLiteral(": ") +
                    body.errorString());
        return kToolFailed;
    }
    const QString bodyText = QString::fromUtf8(body.readAll());

    SetAppDir(dir.absoluteFilePath());
    // The program makes its folders at start-up; the sent history lives in one of them.
    if (!EnsureInstalledFolders()) {
        WriteStderr(QStringLiteral("send: cannot create the data folders in ") + a.appDir);
        return kToolFailed;
    }
    LoadServerSettings();

    ComposeState state;
    state.recipient = a.to;
    state.subject = a.subject;
    state.body = ToCrLf(bodyText);
    // The list holds full paths, as the open-file dialog gives them.
    for (const QString& argument : a.attachments)
        for (const QString& path : AttachmentPaths(argument))
            state.attachments.paths.append(QFileInfo(path).absoluteFilePath());
    state.fortune = a.fortune;
    if (a.batch) {
        // The name list of the widened window: every address book entry, in record order.
        FillNameList(state, AddressStore());
        state.widened = true;
        state.batch = BatchChoice::Batch;
    }

    // The sent history keeps its copy in CP932: say before sending what it will keep as "?".
    if (const QString loss = SentHistoryLossText(state.recipient, state.subject, state.body); !loss.isEmpty())
        WriteStderr(QStringLiteral("send: warning: ") + loss);

    QString shownStatus;
    ComposeSendHooks hooks;
    hooks.refresh = [&] {
        if (state.status != shownStatus) {
            shownStatus = state.status;
            PrintHeadlessLine(shownStatus);
        }
    };
    const ComposeSendResult result = SendComposedMail(state, hooks);
    // The tool cannot ask: with the check before sending switched on, nothing goes, and it says so.
    return result.failed > 0 || result.stopped || result.held ? kToolFailed : kToolOk;
}

} // namespace ricorne
