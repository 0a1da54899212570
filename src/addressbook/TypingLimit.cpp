#include "addressbook/TypingLimit.h"

#include <algorithm>

namespace ricorne {

namespace {

int Characters(const QString& text) {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

} // namespace

TypedText LimitTyping(const QString& before, const TypedText& after, int limit) {
    const int allowed = std::max(limit, Characters(before));
    int excess = Characters(after.text) - allowed;
    if (excess <= 0)
        return after;
    // The insertion ends at the caret, and the excess is never more than the text grew by, so
    // dropping characters just before the caret removes only inserted ones.
    int cut = 0; // code units to drop before the caret
    int start = after.cursor;
    while (excess > 0 && start > 0) {
        int width = 1;
        if (start >= 2 && after.text.at(start - 1).isLowSurrogate() &&
            after.text.at(start - 2).isHighSurrogate())
            width = 2;
        start -= width;
        cut += width;
        --excess;
    }
    TypedText limited = after;
    limited.text.remove(start, cut);
    limited.cursor = start;
    return limited;
}

} // namespace ricorne
