#include "history/HistoryExport.h"

#include "core/archive/Backup.h"
#include "core/archive/MailExport.h"
#include "core/dialogs/DialogService.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/text/Text.h"
#include "history/TyakuTexts.h"

#include <QDate>
#include <QDir>

namespace ricorne {

void ExportFromViewer(HistoryExportKind kind, HistoryMode mode) {
    const bool sent = mode == HistoryMode::Sent;
    const QString stamp = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    QString name, filter;
    switch (kind) {
    case HistoryExportKind::Mbox:
        name = (sent ? QStringLiteral(u"送信履歴-") : QStringLiteral(u"着信履歴-")) + stamp +
               QStringLiteral(".mbox");
        filter = QStringLiteral("mbox (*.mbox);;All files (*)");
        break;
    case HistoryExportKind::EmlFolder:
        name = (sent ? QStringLiteral(u"送信履歴-") : QStringLiteral(u"着信履歴-")) + stamp;
        filter = QStringLiteral("All files (*)");
        break;
    case HistoryExportKind::Vcard:
        name = QStringLiteral(u"アドレス帳-") + stamp + QStringLiteral(".vcf");
        filter = QStringLiteral("vCard (*.vcf);;All files (*)");
        break;
    case HistoryExportKind::Csv:
        name = QStringLiteral(u"アドレス帳-") + stamp + QStringLiteral(".csv");
        filter = QStringLiteral("CSV (*.csv);;All files (*)");
        break;
    }
    const QString path = Dialogs().SaveFile(ExportDialogTitle(kind == HistoryExportKind::EmlFolder),
                                            QDir(AppDir()).filePath(name), filter);
    if (path.isEmpty())
        return;
    LoadServerSettings();
    const QString own = Trim(AccountSettings().FromAddress);
    const StoreDescriptor& store = sent ? SentStore() : ReceivedStore();
    const MailSide side = sent ? MailSide::Sent : MailSide::Received;
    ExportResult result;
    switch (kind) {
    case HistoryExportKind::Mbox:
        result = ExportMbox(store, side, own, path);
        break;
    case HistoryExportKind::EmlFolder:
        result = ExportEmlFolder(store, side, own, path);
        break;
    case HistoryExportKind::Vcard:
        result = ExportVcard(path);
        break;
    case HistoryExportKind::Csv:
        result = ExportCsv(path);
        break;
    }
    if (result.ok)
        Dialogs().Notice(ExportDoneText(result.written, QDir::toNativeSeparators(path)));
    else
        Dialogs().Message(AppTitle(), ExportFailedText(result.error), MessageIcon::Warning,
                          MessageButtons::Ok);
}

void BackupFromViewer() {
    const QString path = Dialogs().SaveFile(BackupDialogTitle(), QDir::home().filePath(DatedBackupName()),
                                            QStringLiteral("tar.zst (*.tar.zst);;All files (*)"));
    if (path.isEmpty())
        return;
    const BackupResult result = WriteBackup(path);
    if (result.ok)
        Dialogs().Notice(BackupDoneText(result.files, QDir::toNativeSeparators(result.path)));
    else
        Dialogs().Message(AppTitle(), ExportFailedText(result.error), MessageIcon::Warning,
                          MessageButtons::Ok);
}

} // namespace ricorne
