#include "history/HistoryList.h"

#include "core/dialogs/CommonTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/stores/Checksum.h"
#include "core/stores/HeaderIndex.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "history/TyakuTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ricorne {

namespace {

template <std::size_t N> QString Shown(const char (&field)[N]) {
    return Trim(CutAtNul(FieldText(field)));
}

void ShowRecord(HistoryView& view, const MailRecord& record) {
    const RecordTexts texts = ShownTexts(record);
    view.SetRecordView(texts.subject, texts.sender, texts.date, texts.body);
}

// Opening a store that does not exist creates it empty, so the record operations find a file.
void CreateStoreWhenMissing(const StoreDescriptor& store) {
    const QString path = StorePath(store);
    if (QFile::exists(path))
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.close();
}

// What the viewer read last, by mode (there is one viewer window).
struct ShownState {
    HeaderRows rows; // the rows shown, for their digest when a deletion asks
    qint64 total = 0;
    int chosen = 0; // record number of the last row click
    QByteArray chosenBytes;
    qint64 toldTotal = 0; // the over-long store already told about
};
ShownState& Shown(HistoryMode mode) {
    static ShownState received, sent;
    return mode == HistoryMode::Sent ? sent : received;
}

// A change check, not a seal: a fast sum chained over every row keeps the opening of a
// 32767-record history from hashing 9 MB of headers the slow way.
QByteArray ListingDigest(const HeaderRows& rows, qint64 total) {
    const quint64 sum = rows.Sum(total);
    return QByteArray(reinterpret_cast<const char*>(&sum), sizeof sum);
}

// Why the store cannot be listed, or empty when it can.
QString UnreadableCause(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return FolderInPlaceCause();
    if (!info.isReadable())
        return NoReadPermissionCause();
    if (!info.isFile())
        return ReadErrorCause();
    return {};
}

} // namespace

QByteArray ShownListingDigest(HistoryMode mode) {
    return ListingDigest(Shown(mode).rows, Shown(mode).total);
}

QByteArray ListingDigestNow(HistoryMode mode) {
    const StoreDescriptor& store = HistoryStore(mode);
    return ListingDigest(ReadMailHeaders(store), WholeRecordCount(store));
}

QByteArray ChosenRecordBytes(HistoryMode mode, int n) {
    return Shown(mode).chosen == n ? Shown(mode).chosenBytes : QByteArray();
}

RecordTexts ShownTexts(const MailRecord& record) {
    return {Shown(record.Subject), Shown(record.Address), Shown(record.DateText), Shown(record.Body)};
}

void FillHistoryList(HistoryView& view, HistoryMode mode) {
    const StoreDescriptor& store = HistoryStore(mode);
    CreateStoreWhenMissing(store);
    // The index beside the store when it is fresh; the store itself otherwise.
    HeaderRows headers = ReadMailHeadersIndexed(store);
    const qint64 total = WholeRecordCount(store);
    ShownState& shown = Shown(mode);
    shown.rows = headers;
    shown.total = total;
    shown.chosen = 0;
    shown.chosenBytes.clear();
    // A repair of the store on the way (a leftover compaction file set aside) is told once.
    const QString notice = TakeStoreNotice();
    if (!notice.isEmpty())
        Dialogs().Notice(notice);
    const QString path = StorePath(store);
    const QString cause = UnreadableCause(path);
    if (!cause.isEmpty())
        Dialogs().Message(ErrorTitle(), HistoryUnreadableText(QDir::toNativeSeparators(path), cause),
                          MessageIcon::Warning, MessageButtons::Ok);
    // Records past the last number stay in the file untouched; the user hears of them once.
    if (total > kMaxRecordNumber && shown.toldTotal != total)
        Dialogs().Notice(HistoryBeyondLimitText(total));
    shown.toldTotal = total > kMaxRecordNumber ? total : 0;
    view.SetRows({});
    view.SetBody(QString());
    const int count = int(headers.size());
    if (count > 0) {
        MailRecord& buffer = HistoryBuffer(mode);
        if (ReadRecord(store, count, buffer))
            ShowRecord(view, buffer);
    }
    view.SetRows(std::move(headers));
    view.SetCount(QString::number(count));
}

void ShowSelectedRecord(HistoryView& view, HistoryMode mode) {
    if (view.RowCount() == 0) {
        Dialogs().Notice(NoDataToSelectText());
        return;
    }
    const int n = view.SelectedRow();
    if (n < 1)
        return;
    // Read into a spare record first: a row whose record is gone from the file (changed on disk
    // meanwhile) leaves the buffer, the view and the flag as they were.
    MailRecord record;
    if (!ReadRecord(HistoryStore(mode), n, record)) {
        // The store shrank under the list: show what it holds now.
        if (n > RecordCount(HistoryStore(mode))) {
            Dialogs().Notice(RowVanishedText());
            FillHistoryList(view, mode);
        }
        return;
    }
    Shown(mode).chosen = n;
    Shown(mode).chosenBytes = QByteArray(reinterpret_cast<const char*>(&record), sizeof record);
    view.SetSelectionFlag(true);
    HistoryBuffer(mode) = record;
    ShowRecord(view, record);
    view.SetCount(QString::number(view.RowCount()));
}

QString NoDataToSelectText() {
    return QStringLiteral(u"選択するデータがありません。");
}

} // namespace ricorne
