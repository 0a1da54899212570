#include "CheckCommand.h"

#include "HeadlessWindows.h"
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "history/HeadlessHistoryView.h"
#include "receive/CheckMail.h"

#include <QFileInfo>

namespace ricorne {

int RunCheckCommand(const QStringList& args) {
    QString appDir;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull()) {
            appDir = args.at(++i);
        } else {
            WriteStderr(QStringLiteral("check: unexpected argument: ") + args.at(i));
            return kToolBadArguments;
        }
    }
    if (appDir.isEmpty()) {
        WriteStderr(QStringLiteral("check: --appdir DIR is needed"));
        return kToolBadArguments;
    }
    const QFileInfo dir(appDir);
    if (!dir.isDir() || !dir.isWritable()) {
        WriteStderr(QStringLiteral("check: not a writable folder: ") + appDir);
        return kToolFailed;
    }
    SetAppDir(dir.absoluteFilePath());
    LoadServerSettings();
    // As the program's start-up does; without a server nothing is written at all.
    if (!AccountSettings().Pop3Server.isEmpty() && !EnsureInstalledFolders()) {
        WriteStderr(QStringLiteral("check: cannot create the data folders in ") + appDir);
        return kToolFailed;
    }

    NMail mail;
    mail.NMailInitializeWinSock();
    mail.NMailSetOption(1, 8192);
    HeadlessHistoryView view;
    CheckMailHooks hooks;
    hooks.mail = &mail;
    hooks.recordView = [&view]() -> HistoryView& { return view; };
    hooks.setStatus = [](const QString& text) { PrintHeadlessLine(text); };
    hooks.openAccountDialog = [](const QString&, const QString&) {
        PrintHeadlessLine(
            QStringLiteral("アカウントIDかパスワードが保存されていないため、ログインしません。"));
    };
    const CheckMailResult result = CheckMail(hooks);
    mail.NMailEndWinSock();
    // A script must be able to tell a check that did not run to its end (no login, a failure,
    // mails left on the server) from one that did.
    const bool completed = !result.failed && !result.stoppedEarly && !result.askedForCredentials;
    return completed ? kToolOk : kToolFailed;
}

} // namespace ricorne
