// One address book entry as it lies in its store: 184 bytes, byte for byte. LineEnd and Live
// sit between the two text fields.
#pragma once

#include "core/stores/RecordField.h"

#include <QtGlobal>

#include <bit>
#include <cstddef>
#include <cstring>

namespace ricorne {

static_assert(std::endian::native == std::endian::little, "Live is stored little-endian");

struct AddressRecord {
    char Name[90];
    char LineEnd[2]; // always CR LF
    qint16 Live;     // 1: live; 0: marked for deletion
    char MailAddress[90];

    AddressRecord() {
        std::memset(Name, ' ', sizeof Name);
        std::memset(MailAddress, ' ', sizeof MailAddress);
        LineEnd[0] = '\r';
        LineEnd[1] = '\n';
        Live = 1;
    }
};

static_assert(sizeof(AddressRecord) == 184);
static_assert(offsetof(AddressRecord, Name) == 0);
static_assert(offsetof(AddressRecord, LineEnd) == 90);
static_assert(offsetof(AddressRecord, Live) == 92);
static_assert(offsetof(AddressRecord, MailAddress) == 94);

} // namespace ricorne
