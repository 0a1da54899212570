#include "shell/ApplicationSetup.h"

#include <QFont>
#include <QFontInfo>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

TEST(FontTest, WindowsFontNamesMapToInstalledFaces) {
    InstallFontSubstitutions();
    const QString gothic = QFontInfo(QFont(QStringLiteral(u"ＭＳ Ｐゴシック"), 9)).family();
    EXPECT_TRUE(gothic.startsWith(QStringLiteral("IPAPGothic")) ||
                gothic.startsWith(QStringLiteral(u"IPA Pゴシック")))
        << gothic.toStdString();
    const QString antiqua = QFontInfo(QFont(QStringLiteral("Book Antiqua"), 9)).family();
    EXPECT_TRUE(antiqua.startsWith(QStringLiteral("P052")) ||
                antiqua.startsWith(QStringLiteral("TeX Gyre Pagella")))
        << antiqua.toStdString();
}

} // namespace
} // namespace ricorne
