// Reading bytes whose charset nobody names: which of UTF-8, ISO-2022-JP, CP932, EUC-JP and
// Latin-1/Windows-1252 they are. Shared by the charset layer; not for use outside src/core/mime.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace ricorne {

bool IsValidUtf8(const QByteArray& bytes);
// When bytes are valid UTF-8, their text (as QString::fromUtf8 gives it) in one pass; false
// otherwise (text untouched).
bool DecodeValidUtf8(const QByteArray& bytes, QString* text);
// UTF-8 with one U+FFFD per invalid sequence: a stray Latin-1 byte or a cut last character
// costs that character, never the rest of the text.
QString DecodeUtf8Lenient(const QByteArray& bytes);
// Valid multi-byte sequences and invalid sequences in bytes read as UTF-8.
void CountUtf8(const QByteArray& bytes, int* valid, int* invalid);
bool IsJapaneseChar(QChar c);
bool HasHighBytes(const QByteArray& bytes);
bool HasJisEscape(const QByteArray& bytes);
// Reads bytes as CP932 and as EUC-JP and counts what does not fit each.
bool LooksLikeEucJp(const QByteArray& bytes);

} // namespace ricorne
