// Writes the program's menu icon: the slot cabinet as the main window paints it (reels, lever,
// plates), scaled into a square PNG with transparent sides.
//   cabinet_icon_writer OUT.png [SIZE]
#include "mainwindow/SlotPanel.h"
#include "mainwindow/SlotPanelHost.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QTextStream>

#include <memory>

namespace {

class QuietHost : public ricorne::SlotPanelHost {
public:
    void ShowHelp(const QString&) override {}
    void HideHelp() override {}
    void Pause(int) override {}
};

} // namespace

int main(int argc, char** argv) {
    // Runs during the build, where there is no display.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        err << "usage: cabinet_icon_writer OUT.png [SIZE]\n";
        return 2;
    }
    const int size = args.size() > 2 ? args.at(2).toInt() : 256;
    if (size < 16 || size > 1024) {
        err << "size must lie between 16 and 1024\n";
        return 2;
    }

    ricorne::SlotPanel panel(std::make_unique<QuietHost>());
    panel.setAttribute(Qt::WA_DontShowOnScreen);
    panel.show();
    const QImage cabinet =
        panel.grab().toImage().scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);

    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.drawImage((size - cabinet.width()) / 2, (size - cabinet.height()) / 2, cabinet);
    painter.end();
    if (!icon.save(args.at(1), "PNG")) {
        err << "cannot write " << args.at(1) << "\n";
        return 1;
    }
    return 0;
}
