// Developer tool: the face-mark palette on a throw-away AppDir holding the installed lists, for
// looking at it.   facemarks_demo [tab]
#include "core/paths/Paths.h"
#include "facemarks/FaceMarkLists.h"
#include "facemarks/KaoForm.h"
#include "shell/ApplicationSetup.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace ricorne;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InstallApplicationFont();
    InstallJapaneseTranslations(app);
    const QString installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin");
    QTemporaryDir dir;
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    for (const FaceMarkList& list : FaceMarkLists()) {
        SetAppDir(installed);
        const QString from = ResolvePath(FaceMarkFile(list.tab));
        SetAppDir(dir.path());
        QFile::copy(from, ResolvePath(FaceMarkFile(list.tab)));
    }
    KaoForm* form = Registry().Show<KaoForm>();
    if (argc > 1)
        form->SetCurrentTab(QString::fromLocal8Bit(argv[1]).toInt());
    return app.exec();
}
