// One received or sent mail as it lies in its store: 32284 bytes, byte for byte.
#pragma once

#include "core/stores/RecordField.h"

#include <QtGlobal>

#include <bit>
#include <cstddef>
#include <cstring>

namespace ricorne {

static_assert(std::endian::native == std::endian::little, "Live is stored little-endian");

struct MailRecord {
    char Subject[100];
    char DateText[90]; // received: the message's date text; sent: date, two spaces, time
    char Address[90];  // the other party
    char Body[32000];
    char LineEnd[2]; // always CR LF
    qint16 Live;     // 1: live; 0: marked for deletion

    // A blank record: spaces in every text field, CR LF, live.
    MailRecord() {
        std::memset(Subject, ' ', sizeof Subject);
        std::memset(DateText, ' ', sizeof DateText);
        std::memset(Address, ' ', sizeof Address);
        std::memset(Body, ' ', sizeof Body);
        LineEnd[0] = '\r';
        LineEnd[1] = '\n';
        Live = 1;
    }
};

static_assert(sizeof(MailRecord) == 32284);
static_assert(offsetof(MailRecord, Subject) == 0);
static_assert(offsetof(MailRecord, DateText) == 100);
static_assert(offsetof(MailRecord, Address) == 190);
static_assert(offsetof(MailRecord, Body) == 280);
static_assert(offsetof(MailRecord, LineEnd) == 32280);
static_assert(offsetof(MailRecord, Live) == 32282);

} // namespace ricorne
