#include "core/stores/RecordBuffers.h"

namespace ricorne {

MailRecord& ReceivedBuffer() {
    static MailRecord record;
    return record;
}

MailRecord& SentBuffer() {
    static MailRecord record;
    return record;
}

AddressRecord& AddressBuffer() {
    static AddressRecord record;
    return record;
}

} // namespace ricorne
