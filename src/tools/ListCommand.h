// list --appdir DIR received|sent|addresses: one store of DIR as one JSON array, one object per
// record in record order, texts decoded from CP932 and trimmed of ASCII spaces, raw UTF-8:
//   mail:      {"n": 1, "live": 1, "subject": ..., "date": ..., "address": ..., "body": ...}
//   addresses: {"n": 1, "live": 1, "name": ..., "mail_address": ...}
// Every whole record is listed, whatever its Live; a store that does not exist lists as [].
// A store longer than 32767 records lists its first 32767; stderr gives the whole count and the
// exit is 1, as the listing is not the whole store.
// Exit 0 done, 1 unusable folder, unreadable or over-long store, 2 bad arguments.
#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>

namespace ricorne {

int RunListCommand(const QStringList& args);

enum class ListedStore { Received, Sent, Addresses };

// Writes the array for the store of the current AppDir through write, a piece at a time (one
// record each), so a store of 1 GB never sits in memory. False on a read error (the output then
// stops where the error was).
bool WriteStoreJson(ListedStore store, const std::function<void(const QByteArray&)>& write);

} // namespace ricorne
