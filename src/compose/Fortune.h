// The fortune a sent mail can carry: one introducing line and twelve texts, drawn at random.
#pragma once

#include <QString>
#include <QStringList>

namespace ricorne {

// The line that introduces every fortune.
QString FortuneHeader();

// The twelve texts in their fixed order (No. 1 at index 0). Each begins with its grade
// (three 大吉, five 中吉, two 吉, two 凶) and a full-width colon.
const QStringList& FortuneTexts();

// Reseeds the program's one random generator from the clock and draws one text number,
// 1 to 12, each equally likely.
int PickFortune();

// body, two line breaks, the header, two line breaks and text number n (CR LF breaks).
QString WithFortune(const QString& body, int n);

} // namespace ricorne
