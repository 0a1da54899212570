// Fonts and translations the windows expect, set once before the first window.
#pragma once

class QCoreApplication;

namespace ricorne {

// The windows name Windows fonts: "ＭＳ Ｐゴシック" maps to IPAPGothic and "Book Antiqua" to a
// Palatino face (P052, else TeX Gyre Pagella), so neither falls back to a Latin sans face.
void InstallFontSubstitutions();

// The default font of every window: "ＭＳ Ｐゴシック", 9 points.
void InstallApplicationFont();

// Qt's own Japanese texts (はい/いいえ on the standard buttons), whatever the locale.
// Returns false when the translation file is not installed.
bool InstallJapaneseTranslations(QCoreApplication& app);

} // namespace ricorne
