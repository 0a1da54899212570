// Mail whose header blocks run straight into their text, read the way established readers read
// it: the first line that is neither a header nor a continuation starts the body.
#pragma once

#include <QByteArray>

namespace ricorne {

// raw with a blank line put before the first non-header line of the message's header block and of
// every part's header block (parts found by the boundaries the mail declares, embedded messages
// included). Well-formed mail comes back unchanged. Linear in the size of raw.
QByteArray RepairHeaderBlocks(const QByteArray& raw);

} // namespace ricorne
