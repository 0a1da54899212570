#include "FlowedText.h"

namespace ricorne {

QString UnflowText(const QString& text, bool delSp) {
    QString out;
    out.reserve(text.size());
    bool inParagraph = false; // the previous line was flowed and waits for its continuation
    qsizetype paragraphDepth = 0;
    bool paragraphCrLf = false;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        qsizetype eol = text.indexOf(QLatin1Char('\n'), pos);
        const bool last = eol < 0;
        if (last) {
            eol = n;
        }
        qsizetype end = eol;
        const bool crlf = end > pos && text.at(end - 1) == QLatin1Char('\r');
        if (crlf) {
            --end;
        }
        qsizetype depth = 0;
        while (pos + depth < end && text.at(pos + depth) == QLatin1Char('>')) {
            ++depth;
        }
        qsizetype contentStart = pos + depth;
        const bool stuffed = contentStart < end && text.at(contentStart) == QLatin1Char(' ');
        QStringView content(text.constData() + contentStart + (stuffed ? 1 : 0),
                            end - contentStart - (stuffed ? 1 : 0));
        const bool signature = content == QLatin1String("-- ");
        const bool flowed = !signature && content.endsWith(QLatin1Char(' ')) && !last;

        const bool hardBefore = inParagraph && (depth != paragraphDepth || signature);
        if (hardBefore) {
            // A soft break before a change of quote depth or a signature is a hard one.
            out += paragraphCrLf ? QLatin1String("\r\n") : QLatin1String("\n");
        }
        if (!inParagraph || hardBefore) {
            // The quote marks (and the stuffing space after them, so quotes look as they were).
            out += QStringView(text.constData() + pos, depth);
            if (depth > 0 && stuffed) {
                out += QLatin1Char(' ');
            }
        }
        if (flowed && delSp) {
            content.chop(1);
        }
        out += content;
        inParagraph = flowed;
        paragraphDepth = depth;
        paragraphCrLf = crlf;
        if (!flowed) {
            if (crlf) {
                out += QLatin1Char('\r');
            }
            if (!last) {
                out += QLatin1Char('\n');
            }
        }
        pos = eol + 1;
    }
    return out;
}

} // namespace ricorne
