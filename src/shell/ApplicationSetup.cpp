#include "shell/ApplicationSetup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace ricorne {

void InstallFontSubstitutions() {
    QFont::insertSubstitutions(QStringLiteral(u"ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral(u"IPA Pゴシック")});
    QFont::insertSubstitutions(QStringLiteral(u"ＭＳ ゴシック"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
    QFont::insertSubstitutions(QStringLiteral("Book Antiqua"),
                               {QStringLiteral("P052"), QStringLiteral("TeX Gyre Pagella")});
}

void InstallApplicationFont() {
    QApplication::setFont(QFont(QStringLiteral(u"ＭＳ Ｐゴシック"), 9));
}

bool InstallJapaneseTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace ricorne
