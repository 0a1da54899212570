// delete --appdir DIR received|sent|addresses N: deletes record N of one store the way the
// address book's "削除" does (the record is marked, then the store is compacted), without asking.
// It runs under the folder lock; a lock that is busy or cannot be taken deletes nothing.
// Exit 0 done, 1 no such record, no lock or the store could not be changed, 2 bad arguments.
#pragma once

#include <QStringList>

namespace ricorne {

int RunDeleteCommand(const QStringList& args);

} // namespace ricorne
