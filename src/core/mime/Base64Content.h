// Base64 content decoded in one pass, byte for byte as GMime's decoding filter gives it.
//
// GMime's filter is slow (a fifth of a whole check's instructions went into it), but its output
// on damaged input is what every attachment saved so far holds: characters outside the alphabet
// are skipped, the first "=" ends the content (what follows it is ignored, a footer included),
// a quartet cut short by it gives the bytes it holds, and one cut short by the end gives none.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace ricorne {

QByteArray DecodeBase64Content(QByteArrayView encoded);

} // namespace ricorne
