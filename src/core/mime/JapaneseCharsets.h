// The charset layer for mail: labelled and unlabelled Japanese text in, ISO-2022-JP out.
// GMime (through glibc iconv) loses the Windows characters Japanese mail is full of (①, ㈱, Ⅰ),
// so every conversion of mail text goes through these functions instead.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne {

// Bytes in the charset named by a MIME label -> text. "Shift_JIS" and its aliases read as CP932,
// ISO-2022-JP with the CP932 extension rows and half-width kana, EUC-JP as EUC-JP-MS. An empty,
// unknown or plainly wrong label (8-bit bytes under "us-ascii", Japanese in a legacy charset under
// "UTF-8", valid UTF-8 that is no CP932 under "Shift_JIS") guesses. UTF-8 with a stray byte stays
// UTF-8, with one U+FFFD per invalid sequence. Nothing is ever dropped silently.
QString DecodeText(const QByteArray& bytes, const QByteArray& charset);

// Unlabelled bytes: ASCII, escape sequences -> ISO-2022-JP, valid UTF-8 -> UTF-8, otherwise
// CP932 or EUC-JP, whichever reads the bytes with fewer errors (ties go to the reading without
// a flood of half-width kana, which is what EUC-JP looks like through CP932 eyes).
QString GuessDecode(const QByteArray& bytes);

// The MIME label for bytes of text as they are: "us-ascii", "UTF-8", "ISO-2022-JP", "Shift_JIS" or
// "EUC-JP"; empty when they read cleanly in none of these (binary data, a mixture).
QByteArray CharsetLabelFor(const QByteArray& bytes);

QString DecodeIso2022Jp(const QByteArray& bytes);
QString DecodeEucJp(const QByteArray& bytes);

// Any charset glibc iconv knows. ok is false when iconv does not know the name.
QString IconvDecode(const char* charset, const QByteArray& bytes, bool* ok = nullptr);

// True when every character (after NFC) is ASCII or in JIS X 0208, i.e. the text can travel as
// 7-bit ISO-2022-JP. ESC, SO and SI do not fit (they would break the escape state).
bool FitsIso2022Jp(const QString& text);

// ISO-2022-JP bytes for text that FitsIso2022Jp accepts (other characters become "?"). Every line
// (before each CR or LF) and the whole text end in ASCII mode.
QByteArray EncodeIso2022Jp(const QString& text);

// One unit of ISO-2022-JP text: an ASCII byte, or a JIS X 0208 pair (wide).
struct JisUnit {
    bool wide = false;
    unsigned char b1 = 0, b2 = 0;
};
// The units of text, or false when some character does not fit.
bool ToJisUnits(const QString& text, QList<JisUnit>* units);

} // namespace ricorne
