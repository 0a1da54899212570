// search --appdir DIR received|sent [--exact-kana] WORDS...: the history search without a window.
// One JSON object per hit, in record order:
//   {"n": 12, "subject": ..., "date": ..., "address": ...}
// texts decoded from CP932 and trimmed of ASCII spaces. Words are matched as the viewer's search
// box does (each word in Subject, From, Date or Body; ASCII case ignored; full-width/half-width
// and hiragana/katakana folded unless --exact-kana). No hit is not a failure.
// Exit 0 done, 1 unusable folder or unreadable store, 2 bad arguments.
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "history/HistorySearch.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace ricorne {

int RunSearchCommand(const QStringList& args) {
    QString appDir;
    QString which;
    QStringList words;
    bool kana = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull())
            appDir = args.at(++i);
        else if (args.at(i) == QLatin1String("--exact-kana"))
            kana = false;
        else if (which.isNull())
            which = args.at(i);
        else
            words.append(args.at(i));
    }
    if (which != QLatin1String("received") && which != QLatin1String("sent")) {
        WriteStderr(QStringLiteral("search: say which store: received or sent"));
        return kToolBadArguments;
    }
    if (appDir.isEmpty() || words.isEmpty()) {
        WriteStderr(QStringLiteral("search: --appdir DIR and at least one word are needed"));
        return kToolBadArguments;
    }
    if (!QFileInfo(appDir).isDir()) {
        WriteStderr(QStringLiteral("search: not a folder: ") + appDir);
        return kToolFailed;
    }
    SetAppDir(QDir(appDir).absolutePath());
    const StoreDescriptor& store = which == QLatin1String("sent") ? SentStore() : ReceivedStore();
    bool ok = false;
    const QVector<int> hits = SearchStore(store, words.join(QLatin1Char(' ')), kana, &ok);
    if (!ok) {
        WriteStderr(QStringLiteral("search: cannot read ") + StorePath(store));
        return kToolFailed;
    }
    auto record = std::make_unique<MailRecord>();
    for (const int n : hits) {
        if (!ReadRecord(store, n, *record)) {
            WriteStderr(QStringLiteral("search: the store changed while it was searched"));
            return kToolFailed;
        }
        WriteStdout(JsonLine()
                        .Add("n", qint64(n))
                        .Add("subject", Trim(CutAtNul(FieldText(record->Subject))))
                        .Add("date", Trim(CutAtNul(FieldText(record->DateText))))
                        .Add("address", Trim(CutAtNul(FieldText(record->Address))))
                        .Bytes());
    }
    return kToolOk;
}

} // namespace ricorne
