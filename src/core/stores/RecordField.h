// Fixed-width text fields of the store records: CP932 bytes, left-aligned, padded with ASCII
// spaces. Reading gives the fill spaces back; callers that show a field trim it.
#pragma once

#include "core/text/Text.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstring>

namespace ricorne {

template <std::size_t N> QString FieldText(const char (&field)[N]) {
    return DecodeCp932(QByteArray(field, N));
}

template <std::size_t N> QByteArray FieldBytes(const char (&field)[N]) {
    return QByteArray(field, N);
}

// Stores text cut at the field's width (a double-byte character that would straddle the end
// is dropped whole) and padded with spaces.
template <std::size_t N> void SetField(char (&field)[N], const QString& text) {
    const QByteArray bytes = FitField(text, static_cast<int>(N));
    std::memcpy(field, bytes.constData(), N);
}

} // namespace ricorne
