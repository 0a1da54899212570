// The header scan: the first fields of every mail record, for listing a store.
#include "core/stores/RecordStore.h"

#include "core/platform/FieldReader.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/platform/MappedFields.h"

#include <cstring>
#include <vector>

namespace ricorne {

using platform::FieldReader;
using platform::FileHandle;
using platform::MappedFields;

QString MailHeader::Subject() const {
    return DecodeCp932(raw.mid(0, 100));
}
QString MailHeader::DateText() const {
    return DecodeCp932(raw.mid(100, 90));
}
QString MailHeader::Address() const {
    return DecodeCp932(raw.mid(190, 90));
}

QVector<MailHeader> ReadMailHeaders(const StoreDescriptor& store) {
    QVector<MailHeader> headers;
    constexpr qint64 kHeader = offsetof(MailRecord, Body);
    if (store.recordLength != qint64(sizeof(MailRecord)) || !RecoverStore(store))
        return headers;
    const FileHandle fd = platform::OpenFile(StorePath(store), platform::kReadOnly);
    if (!fd.valid())
        return headers;
    const platform::FileStatus st = platform::StatusOfOpen(fd.get());
    if (!st.exists)
        return headers;
    const qint64 len = store.recordLength;
    const qint64 whole = qMin<qint64>(st.size / len, kMaxRecordNumber);
    headers.reserve(whole);
    // Live is the last field, so the 282 bytes starting two bytes before record i hold the
    // Live of record i - 1 and the header of record i.
    constexpr qint64 kField = kHeader + 2;
    auto add = [&](qint64 i, const char* field) {
        if (i > 0)
            std::memcpy(&headers.last().live, field, 2);
        MailHeader header;
        header.number = int(i + 1);
        header.raw = QByteArray(field + 2, kHeader);
        headers.append(std::move(header));
    };
    qint64 i = 0;
    {
        MappedFields mapped(fd.get(), len, -2, kField, whole);
        std::vector<char> window(size_t(MappedFields::kWindow * kField));
        while (i < whole) {
            const qint64 count = qMin(MappedFields::kWindow, whole - i);
            if (!mapped.Copy(i, count, window.data()))
                break; // shrunk meanwhile: the reads below find the new end
            for (qint64 k = 0; k < count; ++k)
                add(i + k, window.data() + k * kField);
            i += count;
        }
    }
    // Without a mapping, or after the file shrank: one read call a record.
    char buffer[kField];
    FieldReader fields(fd.get(), len, -2, kField, whole);
    for (; i < whole; ++i) {
        const qint64 offset = i == 0 ? 0 : i * len - 2;
        char* into = i == 0 ? buffer + 2 : buffer;
        const qint64 want = i == 0 ? kHeader : kField;
        if (fields.Read(i, into, want, offset) != want)
            break;
        add(i, buffer);
    }
    if (!headers.isEmpty()) {
        qint16 live = 0;
        if (platform::ReadFully(fd.get(), reinterpret_cast<char*>(&live), 2, headers.size() * len - 2) == 2)
            headers.last().live = live;
    }
    return headers;
}

} // namespace ricorne
