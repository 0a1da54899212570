// Developer tool: the slot's cabinet alone in a window, with a stand-in help box, for looking at
// the artwork and measuring what the reels cost.
//
//   slot_demo            the cabinet at rest
//   slot_demo --play     pull the lever, then stop the reels one by one
//   slot_demo --spin     pull the lever and leave the reels spinning
//   slot_demo --help-box show the help box as the coin counter's hover would
//   slot_demo --quit-after MS   end after MS milliseconds
#include "core/paths/Paths.h"
#include "mainwindow/MainFormLayout.h"
#include "mainwindow/MainWindowTexts.h"
#include "mainwindow/SlotGame.h"
#include "mainwindow/SlotPanel.h"
#include "shell/Pause.h"
#include "shell/Place.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

using namespace ricorne;

namespace {

class DemoHost : public SlotPanelHost {
public:
    explicit DemoHost(QPlainTextEdit* box) : box_(box) {}
    void ShowHelp(const QString& text) override {
        box_->setPlainText(text);
        box_->show();
        box_->raise();
    }
    void HideHelp() override { box_->hide(); }
    void Pause(int ms) override { ricorne::Pause(ms); }

private:
    QPlainTextEdit* box_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetAppDir(QCoreApplication::applicationDirPath());
    const QStringList args = app.arguments();

    QWidget window;
    window.setWindowTitle(QStringLiteral("slot_demo"));
    window.setFixedSize(256, 428);
    auto* help = new QPlainTextEdit(&window);
    help->setReadOnly(true);
    Place(help, kHelpBox);
    help->hide();
    auto* panel = new SlotPanel(std::make_unique<DemoHost>(help), &window);
    panel->move(0, 0);
    panel->lower();
    window.show();

    const int quitAt = args.indexOf(QStringLiteral("--quit-after"));
    if (quitAt > 0 && quitAt + 1 < args.size()) {
        QTimer::singleShot(args.at(quitAt + 1).toInt(), &app, &QCoreApplication::quit);
    }
    if (args.contains(QStringLiteral("--help-box"))) {
        help->setPlainText(CoinHelp());
        help->show();
    }
    if (args.contains(QStringLiteral("--spin")) || args.contains(QStringLiteral("--play"))) {
        const bool play = args.contains(QStringLiteral("--play"));
        QTimer::singleShot(300, panel, [panel, play] {
            panel->PullLever();
            if (!play) {
                return;
            }
            for (int r = 0; r < 2; ++r) {
                ricorne::Pause(300);
                panel->Game().RequestStop(r);
            }
            ricorne::Pause(300);
            panel->Game().RightStop();
        });
    }
    return app.exec();
}
