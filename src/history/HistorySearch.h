// Searching a mail store for words: Subject, From (Address), Date and Body of every numbered
// record. A record is a hit when each word occurs in one of its fields (see SearchFolding.h for
// how texts compare; a field counts up to its first NUL, as the viewer shows it).
//
// Method: the raw CP932 bytes of each record are scanned in place in a mapping of the store
// (each spelling of the rarest character looked for whole: a two-byte one sixteen places at a
// time, a one-byte one with memchr; then the neighbours compared) for every CP932 spelling of
// the words' folded characters; only a record whose bytes hold every word is copied
// out and decoded, to confirm the hit on its text. A body is scanned up to its last non-space
// byte; where that lies is remembered per store file (device, inode, size, modification and
// change times), in memory and in a derived file beside the store, so later searches of an
// unchanged store, in this process or another, touch only the written part of each record and
// never the fill spaces. A file changed within two seconds of the measurement is measured again
// next time (a write in the same clock tick would not show). A file cut short while it is
// searched ends the search as failed.
//
// A search runs in steps, so a window can search between key presses and drop a search the
// next key makes stale.
#pragma once

#include "core/stores/RecordStore.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

namespace ricorne {

class StoreSearch {
public:
    // An empty query (no words) hits every record.
    StoreSearch(const StoreDescriptor& store, const QString& query, bool kanaFolding = true);
    ~StoreSearch();
    StoreSearch(const StoreSearch&) = delete;
    StoreSearch& operator=(const StoreSearch&) = delete;

    // Scans up to records more records; true once the whole store is done (or failed).
    bool Step(int records);
    bool Done() const;
    // The store could not be read (a missing store is empty, not failed).
    bool Failed() const;
    // Record numbers of the hits so far, ascending.
    const QVector<int>& Hits() const;
    int Total() const; // numbered records in the store

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Forgets the bodies' ends measured in this process, as a new process starts (the derived file
// beside each store stays).
void ForgetMeasuredBodyEnds();

// The whole search at once. ok, when given, says whether the store could be read.
QVector<int> SearchStore(const StoreDescriptor& store, const QString& query, bool kanaFolding = true,
                         bool* ok = nullptr);

} // namespace ricorne
