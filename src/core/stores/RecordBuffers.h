// The process-wide record variables through which the stores are read and written.
#pragma once

#include "core/stores/AddressRecord.h"
#include "core/stores/MailRecord.h"

namespace ricorne {

MailRecord& ReceivedBuffer();   // records of ReceivedStore
MailRecord& SentBuffer();       // records of SentStore
AddressRecord& AddressBuffer(); // records of AddressStore

} // namespace ricorne
