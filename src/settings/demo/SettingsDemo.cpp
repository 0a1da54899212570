// Developer tool: one of the settings windows on a throw-away AppDir holding a sample account,
// for looking at it.
//   settings_demo set | idpass | server
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "settings/OpenSettings.h"
#include "shell/ApplicationSetup.h"

#include <QApplication>
#include <QTemporaryDir>

using namespace ricorne;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InstallApplicationFont();
    InstallJapaneseTranslations(app);
    QTemporaryDir dir;
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    AccountRecord& account = AccountSettings();
    account.SmtpServer = QStringLiteral("smtps://mail.example.jp");
    account.Pop3Server = QStringLiteral("mail.example.jp");
    account.FromAddress = QStringLiteral("taro.yamada@example.jp");
    account.UseApop = 1;
    SaveServerSettings(account);
    SaveCredentials(QStringLiteral("taro"), QStringLiteral("himitsu"), true);

    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("set");
    if (mode == QLatin1String("idpass"))
        OpenIdPassDialog();
    else if (mode == QLatin1String("server"))
        OpenServerSettings();
    else
        OpenSettingsWindow();
    return app.exec();
}
