// format=flowed text (RFC 3676) joined back into the paragraphs its writer typed.
#pragma once

#include <QString>

namespace ricorne {

// Joins each line that ends in a space (a soft break) with the next line of the same quote
// depth; with delSp the space before the break goes too (delsp=yes, used for text without
// spaces between words, such as Japanese). Space-stuffing is removed. Quoted lines keep their
// quote marks; the signature separator "-- " and quoted-depth changes end a paragraph. Line ends
// come back as they went in (LF or CR LF).
QString UnflowText(const QString& text, bool delSp);

} // namespace ricorne
