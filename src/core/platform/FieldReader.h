// Reads one small field of every record of a fixed-length record file in turn (a header, a
// Live flag) without pulling the bodies in. Read-ahead is off for the scan; when a field is
// not in the page cache, the fields of the records ahead are asked for at once, so the disk
// serves many small reads together instead of one seek after another. A warm file still costs
// one read call per field.
#pragma once

#include <QtGlobal>

namespace ricorne::platform {

class FieldReader {
public:
    // The field of record i (0-based) is the fieldLength bytes at i * recordLength +
    // fieldOffset; the file holds records records. fd stays the caller's.
    FieldReader(int fd, qint64 recordLength, qint64 fieldOffset, qint64 fieldLength, qint64 records);
    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;
    // The descriptor goes on to whole-file copies, which want read-ahead back.
    ~FieldReader();

    // Reads want bytes at offset for the record at index (0-based); returns as ReadFully.
    qint64 Read(qint64 index, char* into, qint64 want, qint64 offset);

private:
    static constexpr qint64 kAhead = 256; // records whose fields are in flight at once

    void AskAhead(qint64 index);

    int fd_;
    qint64 recordLength_, fieldOffset_, fieldLength_, records_;
    qint64 askedUpTo_ = 0; // the fields of the records below this index are asked for
    bool noWait_ = true;
};

} // namespace ricorne::platform
