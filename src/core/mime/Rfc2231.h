// MIME header parameters (filename=, name=, charset=) read from raw header values, and the
// RFC 2231 form for writing them.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne {

// The value of one parameter of a raw Content-Type or Content-Disposition value, or a null QString
// when it is absent. Reads RFC 2231 (name*=charset'lang'..., continuations name*0*, name*1, ...
// joined before conversion), RFC 2047 words inside or outside quotes, and raw 8-bit values
// (guessed). A backslash in quotes escapes only '"' and '\', so Windows paths keep their separators.
QString HeaderParameter(const QByteArray& rawValue, const QByteArray& name);

// The first token of the value ("multipart/mixed", "attachment"), lower case.
QByteArray HeaderToken(const QByteArray& rawValue);

// "; name*0*=UTF-8''...;\r\n name*1*=..." style parameter, lines kept near 76 characters; plain
// name="value" when value is short printable ASCII. The result starts with ";".
QByteArray EncodeRfc2231Parameter(const QByteArray& name, const QString& value);

} // namespace ricorne
