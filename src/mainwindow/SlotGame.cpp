#include "mainwindow/SlotGame.h"

#include "core/random/Random.h"

#include <QPointer>

#include <cmath>

namespace ricorne {

SlotGame::SlotGame(SlotWaits& waits, std::function<double()> uniform, QObject* parent)
    : QObject(parent), waits_(waits), uniform_(std::move(uniform)) {
    if (!uniform_) {
        uniform_ = [] { return Random::Shared().Next(); };
    }
}

void SlotGame::StartGame() {
    if (!reelsVisible_) {
        reelsVisible_ = true;
        Q_EMIT ReelsShown();
    }
    // Only the left reel decides: with it at rest a new game begins even while the others run.
    if (spinning_[0]) {
        return;
    }
    role_.clear();
    payout_ = 0;
    stopRequest_ = {};
    for (int reel = 0; reel < ReelCount; ++reel) {
        SetSpinning(reel, true);
    }
    // No events during this hold, so the first tick comes after the coins and the role.
    waits_.Hold(StartHoldMs);
    coinCount_ -= GameCost;
    Q_EMIT CoinsChanged(coinCount_);
    DrawRole();
}

void SlotGame::RequestStop(int reel) {
    if (reel >= 0 && reel < ReelCount) {
        stopRequest_[reel] = true;
    }
}

void SlotGame::RightStop() {
    stopRequest_[2] = true;
    const QPointer<SlotGame> alive(this);
    waits_.Pause(RightStopPauseMs);
    if (!alive) {
        return;
    }
    // Read now, not at the click: a start during the pause resets it (and may draw anew).
    coinCount_ += payout_;
    Q_EMIT CoinsChanged(coinCount_);
}

void SlotGame::Tick(int reel) {
    if (reel < 0 || reel >= ReelCount || !spinning_[reel]) {
        return;
    }
    qint32& position = position_[reel];
    position += reelStep_;
    if (position < StripCycle) {
        // Stops only on a tick that lands on a cell edge without wrapping.
        if (position % CellHeight == 0 && stopRequest_[reel]) {
            stopRequest_[reel] = false;
            SetSpinning(reel, false);
        }
    } else {
        position -= StripCycle;
    }
}

void SlotGame::DrawRole() {
    for (const RoleRow& row : RoleTable) {
        const double u = uniform_();
        if (static_cast<int>(std::floor(u * row.n + 1)) == 7) {
            role_ = QString::fromUtf16(row.role);
            payout_ = row.payout;
            return;
        }
    }
    role_ = QString::fromUtf16(NoRole);
    payout_ = 0;
}

void SlotGame::SetSpinning(int reel, bool spinning) {
    if (spinning_[reel] == spinning) {
        return;
    }
    spinning_[reel] = spinning;
    Q_EMIT SpinningChanged(reel, spinning);
}

} // namespace ricorne
