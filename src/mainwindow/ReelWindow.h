// One reel window (36 x 52): shows the 51 rows of its strip that the reel's position selects.
// Opaque, so a repaint after a tick touches these pixels only.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace ricorne {

class SlotGame;

class ReelWindow : public QWidget {
public:
    ReelWindow(const SlotGame& game, int reel, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {36, 52}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const SlotGame& game_;
    int reel_;
    qreal pixmapRatio_ = 0; // device pixel ratio the pixmaps below were drawn at
    QPixmap strip_;
    QPixmap shade_;
};

} // namespace ricorne
