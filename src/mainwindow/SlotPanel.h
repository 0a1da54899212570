// The cabinet picture Picture1 with the slot machine on it: reel windows, STOP and lever click
// areas, the lever picture, the coin counter and the small start button. The panel binds those
// controls to a SlotGame and draws the artwork; the game's rules live in SlotGame.
//
// Controls, by their names: Picture2(0..2) reel windows, Timer1(0..2) reel timers,
// Label13 coins, Label14/Label15/Label17 STOP areas, Label18 lever area, Image1 lever picture,
// Command1 start button.
#pragma once

#include "mainwindow/CabinetArt.h"
#include "mainwindow/SlotPanelHost.h"

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QPushButton;
class QTimer;

namespace ricorne {

class ReelWindow;
class SlotGame;

class SlotPanel : public QWidget {
    Q_OBJECT

public:
    explicit SlotPanel(std::unique_ptr<SlotPanelHost> host, QWidget* parent = nullptr);
    ~SlotPanel() override;

    SlotGame& Game() { return *game_; }

    // The lever (a click on Label18, or new mail): pulled picture, start, 500 ms pause with
    // events running, resting picture. Both pictures are read from their files at every pull;
    // one that cannot be read leaves the lever picture as it was.
    void PullLever();

    // The lever picture files; empty texts mean Bar.gif and Bar0.gif in ★MailData.
    void SetLeverPictureFiles(const QString& pulled, const QString& atRest);
    // What Image1 shows now.
    QPixmap LeverPicture() const;

    // Where the cabinet picture's parts lie under the panel's controls.
    static CabinetArt::Geometry ArtLayout();

    QSize sizeHint() const override { return {CabinetArt::Width, CabinetArt::Height}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Waits;

    void ShowLeverPicture(const QString& path);
    QString LeverFile(bool pulled) const;
    void OnTick(int reel);

    std::unique_ptr<SlotPanelHost> host_;
    std::unique_ptr<Waits> waits_;
    SlotGame* game_ = nullptr;
    CabinetArt::Geometry layout_;
    QPixmap cabinet_;
    qreal cabinetRatio_ = 0;
    std::array<ReelWindow*, 3> reels_{};
    std::array<QTimer*, 3> timers_{};
    QElapsedTimer frameClock_;
    std::array<qint64, 3> lastPaint_{}; // frameClock_ time of each reel's last repaint
    QLabel* coins_ = nullptr;           // Label13
    QLabel* lever_ = nullptr;           // Image1
    QWidget* leverArea_ = nullptr;      // Label18
    QPushButton* start_ = nullptr;      // Command1
    QString pulledFile_;
    QString atRestFile_;
};

} // namespace ricorne
