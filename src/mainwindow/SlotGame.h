// The slot machine's game: coins, the role lottery, the three reels and their stop requests.
//
// Plain state plus a few operations, run on the one user-interface thread. The game reaches the
// outside only through SlotWaits (the two kinds of waiting it does) and its signals, so it runs
// without any window. The view drives Tick from one 1 ms timer per reel while that reel spins.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>

namespace ricorne {

// The waits the game needs from the place it runs in.
class SlotWaits {
public:
    virtual ~SlotWaits() = default;
    // Waits more than ms milliseconds while window events (reel ticks, clicks) keep running.
    virtual void Pause(int ms) = 0;
    // Waits ms milliseconds without handling any event.
    virtual void Hold(int ms) = 0;
};

class SlotGame : public QObject {
    Q_OBJECT

public:
    static constexpr int ReelCount = 3;
    static constexpr int CellHeight = 17;                     // pixels per symbol cell
    static constexpr int CellCount = 21;                      // cells per strip
    static constexpr int StripCycle = CellCount * CellHeight; // 357: one turn of a reel
    static constexpr int WindowHeight = 3 * CellHeight;       // 51: three cells show at once
    static constexpr int StartingCoins = 100;
    static constexpr int GameCost = 3;
    static constexpr int StartHoldMs = 100;       // still pause between starting the reels and paying in
    static constexpr int RightStopPauseMs = 1400; // from the right STOP to the credit

    struct RoleRow {
        const char16_t* role;
        int n;
        qint32 payout;
    };
    // Tried in this order, each with a fresh number; a row hits when Int(u * n + 1) = 7.
    static constexpr std::array<RoleRow, 7> RoleTable{{
        {u"BB", 303, 360},
        {u"RB", 606, 120},
        {u"RE", 7, 3},
        {u"2C", 16, 2},
        {u"4C", 16, 4},
        {u"CO", 16, 8},
        {u"LE", 11, 10},
    }};
    static constexpr const char16_t* NoRole = u"H";

    // uniform gives numbers in [0, 1); by default the process-wide generator.
    explicit SlotGame(SlotWaits& waits, std::function<double()> uniform = {}, QObject* parent = nullptr);

    int CoinCount() const { return coinCount_; }
    // The counter's text: decimal digits, with a leading "-" when below zero.
    QString CoinText() const { return QString::number(coinCount_); }
    QString Role() const { return role_; }
    qint32 Payout() const { return payout_; }
    qint32 ReelPosition(int reel) const { return position_[reel]; }
    bool StopRequest(int reel) const { return stopRequest_[reel]; }
    bool Spinning(int reel) const { return spinning_[reel]; }
    bool AnySpinning() const { return spinning_[0] || spinning_[1] || spinning_[2]; }
    int ReelStep() const { return reelStep_; }
    // False until the first start: the reel windows stay hidden, the cabinet shows through.
    bool ReelsVisible() const { return reelsVisible_; }
    // Top row of the reel's strip that its window shows: 357 - position, in 1..357.
    int StripOffset(int reel) const { return StripCycle - position_[reel]; }

    // Starts a game unless the left reel still spins.
    void StartGame();
    // The left and middle STOP (reel 0 or 1): only sets the request.
    void RequestStop(int reel);
    // The right STOP: sets reel 2's request, pauses, then credits Payout as it is at that moment.
    void RightStop();
    // One step of a spinning reel.
    void Tick(int reel);
    // Draws Role and Payout from the role table.
    void DrawRole();

Q_SIGNALS:
    void CoinsChanged(int coins);
    void SpinningChanged(int reel, bool spinning);
    void ReelsShown();

private:
    void SetSpinning(int reel, bool spinning);

    SlotWaits& waits_;
    std::function<double()> uniform_;
    int coinCount_ = StartingCoins;
    QString role_;
    qint32 payout_ = 0;
    std::array<qint32, ReelCount> position_{};
    std::array<bool, ReelCount> stopRequest_{};
    std::array<bool, ReelCount> spinning_{};
    int reelStep_ = 100;
    bool reelsVisible_ = false;
};

} // namespace ricorne
