// Text rules of the program: CP932 on disk, Unicode inside, fixed-width fields.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace ricorne {

// Unicode -> CP932 bytes. Every character CP932 holds is written as its own code, the one Windows
// writes where CP932 has two (NEC row 13 for Ⅰ 0x8754, the IBM rows for 纊 0xFA5C and ⅰ 0xFA40,
// JIS X 0208 for ∵ 0x81E6 and ￢ 0x81CA). Only a character CP932 lacks is composed first (Mac-style
// decomposed kana stay one character; Å U+00C5 is written as the angstrom sign 0x81F0); what still
// does not fit becomes one "?" (an emoji with its modifiers counts once).
// Look-alikes that CP932 folds together (U+301C wave dash and U+FF5E, U+2016/U+2225,
// U+2212/U+FF0D, ...) store as their CP932 bytes.
QByteArray EncodeCp932(const QString& text);

// CP932 bytes -> Unicode, with CP932's own readings (0x8160 reads as U+FF5E).
// A byte that is not a valid CP932 sequence becomes U+FFFD.
QString DecodeCp932(const QByteArray& bytes);

// True when text reads back from CP932 exactly as it is: no character becomes "?" and none
// turns into a look-alike (U+301C reads back as U+FF5E, so it is not kept).
bool KeptByCp932(const QString& text);

// The characters of text that CP932 turns into "?", each once, in the order they first appear.
// A character is what the reader sees as one: an emoji with its modifiers or a flag, a letter
// with its combining marks (named composed). Look-alikes CP932 folds together (U+301C and U+FF5E) are kept in
// meaning and are not listed.
QStringList UnkeptCharacters(const QString& text);

// The characters as a message names them: the first ten, space-separated, then " …" when there
// are more (a long Korean letter would otherwise fill the box).
QString UnkeptCharactersShown(const QStringList& characters);

// Encodes text to CP932, cuts it at width bytes without splitting a double-byte character
// (a character that would straddle the end is dropped whole) and pads with ASCII spaces.
// The result is always exactly width bytes.
QByteArray FitField(const QString& text, int width);

// Removes leading and trailing U+0020 only; ideographic spaces and line breaks stay.
QString Trim(const QString& text);

// The text before the first NUL, or all of it when there is none.
QString CutAtNul(const QString& text);

// Line ends: controls hold "\n"; everything stored, saved or sent uses CR LF.
QString ToCrLf(const QString& text);   // lone LF and lone CR -> CR LF, CR LF kept
QString FromCrLf(const QString& text); // CR LF and lone CR -> LF

// A text file as a text editor saves it in UTF-8: with a byte-order mark (dropped here), or valid
// UTF-8 holding at least one multi-byte character (CP932 Japanese text practically never is).
// Nothing for any other bytes, plain ASCII included. bom, when given, says whether it had one.
std::optional<QString> DecodeUtf8File(const QByteArray& bytes, bool* bom = nullptr);

} // namespace ricorne
