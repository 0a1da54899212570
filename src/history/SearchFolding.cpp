#include "history/SearchFolding.h"

#include "core/text/Text.h"

#include <QHash>
#include <QRegularExpression>

#include <array>

namespace ricorne {

namespace {

// U+FF61..U+FF9F in full width.
constexpr char16_t kHalfKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    u"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";

bool IsHalfKana(char16_t c) {
    return c >= 0xFF61 && c <= 0xFF9F;
}

char16_t FoldChar(char16_t c, bool kana) {
    if (c >= u'A' && c <= u'Z')
        return c + 0x20;
    if (!kana)
        return c;
    if (c >= 0xFF01 && c <= 0xFF5E)
        return FoldChar(char16_t(c - 0xFEE0), kana);
    if (IsHalfKana(c))
        c = kHalfKana[c - 0xFF61];
    if (c >= 0x30A1 && c <= 0x30F6)
        return c - 0x60;
    if (c == 0x30FD || c == 0x30FE) // ヽヾ
        return c - 0x60;
    return c;
}

// ｶ + ﾞ as one ガ; 0 when the pair does not compose.
char16_t ComposeHalf(char16_t base, char16_t mark) {
    if (!IsHalfKana(base) || (mark != 0xFF9E && mark != 0xFF9F))
        return 0;
    const QString pair = QString(QChar(kHalfKana[base - 0xFF61])) + QChar(mark == 0xFF9E ? 0x3099 : 0x309A);
    const QString composed = pair.normalized(QString::NormalizationForm_C);
    return composed.size() == 1 ? composed.at(0).unicode() : 0;
}

using SpellingTable = QHash<char16_t, QList<QByteArray>>;

SpellingTable BuildSpellings(bool kana) {
    SpellingTable table;
    auto add = [&](const QByteArray& bytes) {
        const QString text = DecodeCp932(bytes);
        if (text.size() != 1 || text.at(0) == QChar(0xFFFD))
            return;
        table[FoldChar(text.at(0).unicode(), kana)].append(bytes);
    };
    for (int b = 0x00; b <= 0xFF; ++b) {
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            add(QByteArray(1, char(b)));
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail != 0x7F)
                add(QByteArray(1, char(lead)) + char(trail));
        }
    }
    if (kana) {
        for (char16_t base = 0xFF61; base <= 0xFF9D; ++base) {
            for (char16_t mark : {char16_t(0xFF9E), char16_t(0xFF9F)}) {
                if (const char16_t composed = ComposeHalf(base, mark))
                    table[FoldChar(composed, kana)].append(EncodeCp932(QString(QChar(base)) + QChar(mark)));
            }
        }
    }
    return table;
}

} // namespace

QString FoldForSearch(const QString& text, bool kanaFolding) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (kanaFolding && i + 1 < text.size()) {
            if (const char16_t composed = ComposeHalf(c, text.at(i + 1).unicode())) {
                out += QChar(FoldChar(composed, true));
                ++i;
                continue;
            }
        }
        out += QChar(FoldChar(c, kanaFolding));
    }
    return out;
}

QStringList SearchWords(const QString& query, bool kanaFolding) {
    QStringList words;
    const QString stored = DecodeCp932(EncodeCp932(query));
    for (const QString& word :
         stored.split(QRegularExpression(QStringLiteral(u"[ \u3000]+")), Qt::SkipEmptyParts))
        words.append(FoldForSearch(word, kanaFolding));
    return words;
}

const QList<QByteArray>& Cp932Spellings(char16_t c, bool kanaFolding) {
    static const std::array<SpellingTable, 2> tables = {BuildSpellings(false), BuildSpellings(true)};
    static const QList<QByteArray> none;
    const SpellingTable& table = tables[kanaFolding ? 1 : 0];
    const auto it = table.constFind(c);
    return it == table.constEnd() ? none : *it;
}

} // namespace ricorne
