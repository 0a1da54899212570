// Header text: RFC 2047 encoded words in and out, with our own charset layer.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne {

// Removes the line breaks of a folded header value (the white space after each stays).
QByteArray UnfoldHeader(const QByteArray& raw);

// Decodes a raw header value: unfolds it, decodes encoded words (B and Q, "charset*lang" accepted,
// also when glued to other text), drops the white space between encoded words, and joins adjacent
// words of one charset before converting them, so a character or an escape sequence split across
// two words survives. Raw 8-bit or ISO-2022-JP escape text is guessed. Control characters stay;
// callers that show one line use CleanHeaderLine.
QString DecodeHeaderText(const QByteArray& raw);

// For one-line fields: tabs, line breaks, NULs and other control characters become spaces, and
// leading and trailing white space goes.
QString CleanHeaderLine(const QString& text);

// Encodes text as encoded words: ISO-2022-JP when every character fits it, UTF-8 otherwise. Each
// word is at most 75 characters, never splits a character, and (ISO-2022-JP) ends in ASCII mode.
// Words are separated by CR LF SP. firstLineUsed is the number of characters already on the first
// line (for example 9 for "Subject: "); the first word is shortened to keep that line within 76.
QByteArray EncodeHeaderWords(const QString& text, int firstLineUsed = 0);

// A header value that may be plain: printable ASCII without "=?" goes out as it is (folded at
// spaces when long); anything else as encoded words.
QByteArray EncodeUnstructured(const QString& text, int firstLineUsed = 0);

} // namespace ricorne
