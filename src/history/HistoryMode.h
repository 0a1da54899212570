// Which store the history viewer shows. One value for the whole run: it survives the viewer's
// closing and changes only when the viewer is opened on the other store.
#pragma once

#include "core/stores/MailRecord.h"
#include "core/stores/RecordStore.h"

#include <QString>

namespace ricorne {

enum class HistoryMode { Received, Sent };

HistoryMode& CurrentHistoryMode(); // Received until the viewer is first opened

const StoreDescriptor& HistoryStore(HistoryMode mode); // ReceivedStore / SentStore
MailRecord& HistoryBuffer(HistoryMode mode);           // ReceivedBuffer / SentBuffer

QString HistoryCaption(HistoryMode mode); // "着信履歴" / "送信履歴"

struct ListColour {
    int red, green, blue;
};
ListColour HistoryListColour(HistoryMode mode); // 210,250,250 / 250,250,255

} // namespace ricorne
