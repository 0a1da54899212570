// Ricorne: the windows wired together, start-up in its order; closing the main window ends the
// program.
#include "app/Wiring.h"
#include "core/paths/Paths.h"
#include "mainwindow/MainForm.h"
#include "shell/ApplicationSetup.h"
#include "shell/QtDialogService.h"
#include "shell/WindowRegistry.h"

#include <QApplication>

int main(int argc, char** argv) {
    using namespace ricorne;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ricorne"));
    SetAppDir(QCoreApplication::applicationDirPath());
    InstallFontSubstitutions();
    InstallApplicationFont();
    InstallJapaneseTranslations(app);
    QtDialogService dialogs;
    SetDialogService(&dialogs);

    InstallWiring();
    QObject::connect(Registry().Get<MainForm>(), &MainForm::Closing, [] { ShutDown(); });
    RunStartup();
    return app.exec();
}
