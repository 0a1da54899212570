// Ricorne: loads the main window with the start-up steps in their order; closing the main
// window ends the program.
#include "app/ApplicationSetup.h"
#include "app/StartupSequence.h"
#include "app/WindowRegistry.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "facemarks/FaceMarkWiring.h"
#include "mainwindow/MainForm.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char** argv) {
    using namespace ricorne;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ricorne"));
    SetAppDir(QCoreApplication::applicationDirPath());
    InstallFontSubstitutions();
    InstallApplicationFont();
    InstallJapaneseTranslations(app);

    // The mail component: prepared once at start-up, released once when the main window closes.
    RegisterStartupStep(startup::kPrepareMailLibrary, [] {
        SharedMail().NMailInitializeWinSock();
        SharedMail().NMailSetOption(1, 8192);
    });
    RegisterMailLibraryRelease([] { SharedMail().NMailEndWinSock(); });

    InstallFaceMarkWiring();

    QPointer<MainForm> main = Registry().Get<MainForm>();
    QObject::connect(main, &MainForm::Closing, [] {
        // The end closes no window, so the palette's lists are written before it.
        SaveOpenPalette();
        ShutDown();
    });

    MainWindowSteps mainSteps;
    mainSteps.hideHelpBox = [main] {
        if (main)
            main->HideHelp();
    };
    mainSteps.showMainWindow = [main] {
        if (main)
            Registry().Show<MainForm>();
    };
    MakeStartupSequence(mainSteps).Run();
    return app.exec();
}
