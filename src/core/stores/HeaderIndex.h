// The header index of a mail store: a derived file beside it ("<store>.index") holding, for
// every record, its number, its offset, its Live value and its header bytes (the list columns),
// each entry with a checksum, under the store's size, modification time and file identity as
// they were when the entries were read. Opening a large history reads this one small file
// front to back instead of one page of every record scattered over the store.
//
// The store always wins:
// - an index whose recorded size, time or identity differs from the store's (the store was
//   changed, by us or by another program) is not used at all;
// - an entry whose checksum, number or offset does not hold is read from the store instead;
// - a missing, short or garbled index is not used at all.
// The index is written through ReplaceFileWhole, so a kill leaves the old index or the new one
// (and perhaps a temporary file, which the next write removes), and only of a store whose last change is old
// enough that a later change must show in its time (the file system's clock is coarse).
#pragma once

#include "core/platform/FileStatus.h"
#include "core/stores/HeaderRows.h"
#include "core/stores/RecordStore.h"

#include <QVector>

#include <optional>

namespace ricorne {

QString HeaderIndexPath(const StoreDescriptor& store);

// The headers of every whole record (as ReadMailHeaders gives them), from the index when it
// is fresh; when it is missing or stale they are read from the store and a new index is
// written in the background (WaitForHeaderIndexes waits for it).
HeaderRows ReadMailHeadersIndexed(const StoreDescriptor& store);

// The headers from the index alone, its head checked against the store as above; nothing
// when the index cannot be used. The index is mapped, not read: each row is formed and its
// entry checked when it is asked for, and an entry that fails is read from the store.
std::optional<HeaderRows> ReadHeaderIndex(const StoreDescriptor& store);

// Writes the index of store from headers read from it, where before is the store's status
// taken before they were read. Refused (false) when that status is too recent to be told apart
// from a later change, or the write fails.
bool WriteHeaderIndex(const StoreDescriptor& store, const QVector<MailHeader>& headers,
                      const platform::FileStatus& before);

// Waits until the indexes being written in the background are written.
void WaitForHeaderIndexes();

} // namespace ricorne
