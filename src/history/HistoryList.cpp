#include "history/HistoryList.h"

#include "core/dialogs/DialogService.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QFile>

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

} // namespace

RecordTexts ShownTexts(const MailRecord& record) {
    return {Shown(record.Subject), Shown(record.Address), Shown(record.DateText), Shown(record.Body)};
}

void FillHistoryList(HistoryView& view, HistoryMode mode) {
    const StoreDescriptor& store = HistoryStore(mode);
    CreateStoreWhenMissing(store);
    QVector<MailHeader> headers = ReadMailHeaders(store);
    // A repair of the store on the way (a leftover compaction file set aside) is told once.
    const QString notice = TakeStoreNotice();
    if (!notice.isEmpty())
        Dialogs().Notice(notice);
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
    if (!ReadRecord(HistoryStore(mode), n, record))
        return;
    view.SetSelectionFlag(true);
    HistoryBuffer(mode) = record;
    ShowRecord(view, record);
    view.SetCount(QString::number(view.RowCount()));
}

QString NoDataToSelectText() {
    return QStringLiteral(u"選択するデータがありません。");
}

} // namespace ricorne
