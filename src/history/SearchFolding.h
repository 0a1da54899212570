// How the history search compares texts, and the CP932 bytes that can spell each character.
//
// A word matches a field when the field's text, folded, contains the word, folded. Folding
// always lowers ASCII letters; with kana folding on (the default) it also reads full-width
// ASCII as ASCII, half-width katakana as full-width (ｶﾞ as one ガ) and katakana as hiragana,
// so "ﾒｰﾙ", "メール" and "めーる" are one word, as are "ＡＢＣ" and "abc".
//
// The search runs over the stored bytes: a folded character becomes the set of every CP932
// byte sequence whose text folds to it (both codes of characters CP932 holds twice, ｶﾞ for が),
// so the byte scan finds every field the folded comparison would, and a few more that the
// comparison then turns away (a trail byte that looks like an ASCII letter).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ricorne {

QString FoldForSearch(const QString& text, bool kanaFolding);

// The words of a query: split at ASCII and ideographic spaces, each first read through CP932
// (what the store can hold: U+301C becomes U+FF5E, an emoji "?") and then folded.
QStringList SearchWords(const QString& query, bool kanaFolding);

// Every CP932 spelling of the folded character c; empty when none exists.
const QList<QByteArray>& Cp932Spellings(char16_t c, bool kanaFolding);

} // namespace ricorne
