#include "history/HistoryMode.h"

#include "core/stores/RecordBuffers.h"

namespace ricorne {

HistoryMode& CurrentHistoryMode() {
    static HistoryMode mode = HistoryMode::Received;
    return mode;
}

const StoreDescriptor& HistoryStore(HistoryMode mode) {
    return mode == HistoryMode::Received ? ReceivedStore() : SentStore();
}

MailRecord& HistoryBuffer(HistoryMode mode) {
    return mode == HistoryMode::Received ? ReceivedBuffer() : SentBuffer();
}

QString HistoryCaption(HistoryMode mode) {
    return mode == HistoryMode::Received ? QStringLiteral(u"着信履歴") : QStringLiteral(u"送信履歴");
}

ListColour HistoryListColour(HistoryMode mode) {
    return mode == HistoryMode::Received ? ListColour{210, 250, 250} : ListColour{250, 250, 255};
}

} // namespace ricorne
