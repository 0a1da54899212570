// A limit on what the user types into a one-line box, without cutting text the program puts
// there: typing or pasting into a box already at its limit adds nothing, an insertion is cut to
// what still fits, and deleting is always allowed (even from a box the program filled beyond
// the limit).
#pragma once

#include <QString>

namespace ricorne {

struct TypedText {
    QString text;
    int cursor = 0; // caret after the edit
    bool operator==(const TypedText&) const = default;
};

// before: the box's text before the user's edit. after: the text and caret the edit produced
// (the inserted text ends at the caret, as after typing or pasting). limit: characters the user
// may type (a surrogate pair counts as one and is never split). Returns after, with the part of
// the insertion that goes beyond max(limit, length of before) removed from its end.
TypedText LimitTyping(const QString& before, const TypedText& after, int limit);

} // namespace ricorne
