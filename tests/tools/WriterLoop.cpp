// A process for the writer kill campaigns: it drives one of the program's own writers through
// its real classes, so that a test can kill it (SIGKILL) in the middle of a write.
//
//   writer_loop WRITER APPDIR prepare   the folder the campaign starts from
//   writer_loop WRITER APPDIR step V    one write of version V (0 or 1; the id file also 2)
//   writer_loop WRITER APPDIR loop V    "ready" on stdout, then versions V, 1-V, V, ... forever
//   writer_loop WRITER APPDIR read      what the program reads from the folder, on stdout
//
// Every write goes through the same functions the windows and the checks call. A dialog that
// nobody expected (a failure message) ends the process with status 3.
#include "../history/FakeEditorHost.h"
#include "addressbook/AddressBook.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/paths/Paths.h"
#include "core/platform/FileStatus.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/SendCheckSettings.h"
#include "core/stores/HeaderIndex.h"
#include "core/stores/MailRecord.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "facemarks/FaceMarkFiles.h"
#include "history/EditorCommands.h"
#include "history/QuickSaveFile.h"
#include "receive/ReceivedUidls.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

ScriptedDialogService gDialogs;

[[noreturn]] void Fail(const QString& what) {
    std::fprintf(stderr, "writer_loop: %s\n", what.toUtf8().constData());
    std::fflush(stderr);
    std::_Exit(3);
}

void Check(bool ok, const QString& what) {
    if (!ok)
        Fail(what);
    if (gDialogs.UnscriptedCount() > 0)
        Fail(what + u": "_s + gDialogs.MessageTexts().join(u" / "_s));
    gDialogs.Clear();
}

// Texts long enough that a write takes a while, in the characters CP932 has and Latin-1 lacks.
QString LongText(int version, int lines) {
    const QString line =
        version == 0 ? u"（＾ω＾）①㈱〜 本日の連絡事項 %1\n"_s : u"(￣▽￣) ②髙﨑 議事録の続き %1\n"_s;
    QString text;
    for (int i = 0; i < lines; ++i)
        text += line.arg(i);
    return text;
}

void AppendMails(int count) {
    auto record = std::make_unique<MailRecord>();
    for (int i = 1; i <= count; ++i) {
        *record = MailRecord{};
        SetField(record->Subject, u"索引の試験 %1 通目"_s.arg(i));
        SetField(record->DateText, u"2026/12/07 09:%1"_s.arg(i % 60, 2, 10, QChar(u'0')));
        SetField(record->Address, u"送り主%1@example.jp"_s.arg(i));
        SetField(record->Body, u"本文です。①㈱\r\n"_s.repeated(i % 20 + 1));
        Check(bool(AppendRecord(ReceivedStore(), *record)), u"append"_s);
    }
    Check(FlushStore(ReceivedStore()), u"flush"_s);
    // Old enough that the header index may be written for it.
    QFile store(StorePath(ReceivedStore()));
    Check(store.open(QIODevice::ReadWrite) && store.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                                                QFileDevice::FileModificationTime),
          u"store time"_s);
}

const QString kUidlServer = u"pop.example.jp"_s, kUidlAccount = u"hanako"_s;
const QString kUidl = u"UIDL-20261207"_s;

QByteArray SumOfFirstMail() {
    auto record = std::make_unique<MailRecord>();
    Check(ReadRecord(ReceivedStore(), 1, *record), u"record"_s);
    return ReceivedUidls::RecordSum(reinterpret_cast<const char*>(record.get()), sizeof(MailRecord));
}

struct Writer {
    const char* name;
    std::function<void()> prepare;
    std::function<void(int version)> write;
    std::function<QString()> read;
};

QString Lines(const QStringList& lines) {
    return lines.join(u'\n') + u'\n';
}

const std::vector<Writer>& Writers() {
    static const std::vector<Writer> writers = {
        {"addresses", [] {},
         [](int version) {
             AddressBookState state;
             ReloadAddressList(state);
             if (version == 1) {
                 state.address = u"hanako.yamada@example.jp"_s;
                 state.name = u"山田 花子（総務部）"_s;
                 RegisterAddress(state);
                 Check(state.status == u"　登録が完了しました。"_s, state.status);
             } else {
                 Check(!state.rows.isEmpty(), u"no row to delete"_s);
                 state.selectedRow = int(state.rows.size()) - 1;
                 state.address = u"x"_s;
                 gDialogs.QueueAnswer(Answer::Yes);
                 DeleteAddress(state);
                 Check(true, u"delete"_s);
             }
         },
         [] {
             AddressBookState state;
             ReloadAddressList(state);
             QStringList rows;
             for (const AddressRow& row : state.rows)
                 rows << row.address.trimmed() + u' ' + row.name.trimmed();
             return Lines(rows);
         }},
        {"palette", [] {},
         [](int version) {
             Check(bool(SaveFaceMarkList(3, LongText(version, 80), LoadFaceMarkList(3))), u"save"_s);
         },
         [] {
             const FaceMarkListFile list = LoadFaceMarkList(3);
             return list.text + QString::number(int(list.reading));
         }},
        {"quicksave", [] {},
         [](int version) {
             Check(bool(WriteQuickSaveFile(QuickSaveFolder(),
                                           QuickSaveFileName(u"[重要] 会議のお知らせ／第3回"_s),
                                           EncodeCp932(LongText(version, 120)))),
                   u"quick save"_s);
         },
         [] {
             const QString entry = ExistingQuickSaveEntry(
                 QuickSaveFolder(), QuickSaveFileName(u"[重要] 会議のお知らせ／第3回"_s));
             return entry + u'\n' + ReadEditorFile(QDir(QuickSaveFolder()).filePath(entry)).value_or(u"?"_s);
         }},
        {"saveas", [] {},
         [](int version) {
             FakeEditorHost host;
             host.subject = u"会議のお知らせ"_s;
             host.sender = u"山田 <yamada@example.jp>"_s;
             host.box = TextBox(LongText(version, 100));
             gDialogs.QueuePath(AppDir() + u"/議事録メモ.txt"_s);
             SaveAsCommand(host, host.Shown());
             Check(true, u"save as"_s);
         },
         [] { return ReadEditorFile(AppDir() + u"/議事録メモ.txt"_s).value_or(u"?"_s); }},
        {"idpass", [] {},
         [](int version) {
             Check(bool(SaveCredentials(version == 0 ? u"hanako"_s : u"hanako.yamada@example.jp"_s,
                                        version == 0 ? u"パス①"_s : u"pa55-word~2"_s, true)),
                   u"credentials"_s);
         },
         [] {
             const Credentials c = ReadCredentials();
             return c.AccountId + u'\n' + c.Password;
         }},
        {"serversettings", [] {},
         [](int version) {
             AccountRecord record;
             record.SmtpServer = version == 0 ? u"smtp.example.jp"_s : u"smtps://mail.example.ne.jp"_s;
             record.Pop3Server = version == 0 ? u"pop.example.jp"_s : u"pop3s://mail.example.ne.jp"_s;
             record.FromAddress = version == 0 ? u"hanako@example.jp"_s : u"yamada@example.ne.jp"_s;
             record.UseApop = qint16(version);
             Check(bool(SaveServerSettings(record)), u"server settings"_s);
         },
         [] {
             AccountRecord record;
             LoadServerSettings(record);
             return QStringList{record.SmtpServer, record.Pop3Server, record.FromAddress,
                                QString::number(record.UseApop)}
                 .join(u'\n');
         }},
        {"sendcheck", [] {},
         [](int version) {
             Check(bool(SaveSendCheckOptions({version == 1, version == 1 ? 45 : 5})), u"options"_s);
         },
         [] {
             const SendCheckOptions options = ReadSendCheckOptions();
             return QString::number(options.enabled) + u' ' + QString::number(options.delaySeconds);
         }},
        {"uidl",
         [] {
             AppendMails(1);
             ReceivedUidls uidls(kUidlServer, kUidlAccount);
             Check(uidls.Load(), u"load"_s);
             Check(uidls.AddBeforeRecord(u"UID-0001"_s, 1, SumOfFirstMail()), u"first id"_s);
             Check(uidls.Flush(), u"flush"_s);
             Check(ReceivedUidls(kUidlServer, kUidlAccount).Load(), u"settle"_s);
         },
         [](int version) {
             // 1: an id noted before its record, as a check does; 2: the next start settles it;
             // 0: the server committed its deletion.
             ReceivedUidls uidls(kUidlServer, kUidlAccount);
             Check(uidls.Load(), u"load"_s);
             if (version == 1) {
                 Check(uidls.AddBeforeRecord(kUidl, 1, SumOfFirstMail()), u"add"_s);
                 Check(uidls.Flush(), u"flush"_s);
             } else if (version == 0) {
                 Check(uidls.Forget({kUidl}), u"forget"_s);
             }
         },
         [] {
             ReceivedUidls uidls(kUidlServer, kUidlAccount);
             if (!uidls.Load())
                 return u"unreadable"_s;
             return QString::number(uidls.Contains(kUidl)) + u' ' + QString::number(uidls.Size());
         }},
        {"index", [] { AppendMails(80); },
         [](int version) {
             platform::FileStatus before = platform::StatusOf(StorePath(ReceivedStore()));
             if (version == 0)
                 before.modified.seconds -= 60; // as if written before the store's last change
             Check(WriteHeaderIndex(ReceivedStore(), ReadMailHeaders(ReceivedStore()), before), u"index"_s);
         },
         [] {
             const std::optional<HeaderRows> indexed = ReadHeaderIndex(ReceivedStore());
             if (!indexed)
                 return u"not used"_s;
             const QVector<MailHeader> stored = ReadMailHeaders(ReceivedStore());
             bool same = indexed->size() == stored.size();
             for (qsizetype i = 0; same && i < stored.size(); ++i)
                 same = (*indexed)[i].number == stored[i].number && (*indexed)[i].live == stored[i].live &&
                        (*indexed)[i].raw == stored[i].raw;
             return same ? u"used, as the store"_s : u"used, differs from the store"_s;
         }},
    };
    return writers;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        Fail(u"usage: writer_loop WRITER APPDIR prepare|step V|loop V|read"_s);
    const Writer* writer = nullptr;
    for (const Writer& w : Writers())
        if (args.at(1) == QLatin1StringView(w.name))
            writer = &w;
    if (!writer)
        Fail(u"no writer "_s + args.at(1));
    SetAppDir(QDir(args.at(2)).absolutePath());
    ScopedDialogService dialogs(gDialogs);
    const QString mode = args.at(3);
    const int version = args.size() > 4 ? args.at(4).toInt() : 0;
    if (mode == u"prepare"_s) {
        Check(EnsureInstalledFolders(), u"folders"_s);
        writer->prepare();
    } else if (mode == u"step"_s) {
        writer->write(version);
    } else if (mode == u"loop"_s) {
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (int v = version;; v = 1 - v)
            writer->write(v);
    } else if (mode == u"read"_s) {
        std::fputs(writer->read().toUtf8().constData(), stdout);
    } else {
        Fail(u"no mode "_s + mode);
    }
    return 0;
}
