// The game without a window: reels, stops, the lottery, coins and the nesting of pauses.
#include "mainwindow/SlotGame.h"
#include "core/random/Random.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QStringList>

#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>

using namespace ricorne;

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Waits that return at once; a pause may run a scripted action, standing for the events
// that the real pause handles (ticks, clicks).
class FakeWaits : public SlotWaits {
public:
    void Pause(int ms) override {
        log.append(QStringLiteral("pause %1").arg(ms));
        if (!duringPause.empty()) {
            auto action = std::move(duringPause.front());
            duringPause.pop_front();
            action();
        }
    }
    void Hold(int ms) override { log.append(QStringLiteral("hold %1").arg(ms)); }

    QStringList log;
    std::deque<std::function<void()>> duringPause;
};

// Numbers in [0, 1) from a script; 0.0 (never a hit) once the script runs out.
struct Script {
    std::deque<double> numbers;
    int used = 0;
    double operator()() {
        ++used;
        if (numbers.empty()) {
            return 0.0;
        }
        const double u = numbers.front();
        numbers.pop_front();
        return u;
    }
};

// A number that makes a row with n hit: Int(u * n + 1) = 7.
double Hit(int n) {
    return 6.5 / n;
}

// Ticks every spinning reel until all rest; returns false if that takes absurdly long.
bool RunUntilRest(SlotGame& game, int limit = 10000) {
    for (int i = 0; i < limit && game.AnySpinning(); ++i) {
        for (int r = 0; r < SlotGame::ReelCount; ++r) {
            game.Tick(r);
        }
    }
    return !game.AnySpinning();
}

} // namespace

TEST(SlotGame, StartOrderHoldsBeforeCoinsAndRole) {
    FakeWaits waits;
    Script script{{Hit(303)}};
    SlotGame game(waits, std::ref(script));
    QStringList order;
    QObject::connect(&game, &SlotGame::ReelsShown, [&] { order.append(QStringLiteral("shown")); });
    QObject::connect(&game, &SlotGame::SpinningChanged, [&](int reel, bool on) {
        order.append(QStringLiteral("reel %1 %2").arg(reel).arg(on ? u"on" : u"off"));
    });
    QObject::connect(&game, &SlotGame::CoinsChanged, [&](int coins) {
        order.append(QStringLiteral("hold seen %1").arg(waits.log.size()));
        order.append(QStringLiteral("coins %1 role '%2'").arg(coins).arg(game.Role()));
    });
    EXPECT_FALSE(game.ReelsVisible()); // hidden until the first game
    game.StartGame();
    EXPECT_EQ(order, (QStringList{QStringLiteral("shown"), QStringLiteral("reel 0 on"),
                                  QStringLiteral("reel 1 on"), QStringLiteral("reel 2 on"),
                                  QStringLiteral("hold seen 1"), QStringLiteral("coins 97 role ''")}));
    EXPECT_EQ(waits.log, QStringList{QStringLiteral("hold 100")});
    EXPECT_EQ(game.Role(), QStringLiteral("BB"));
    EXPECT_EQ(game.Payout(), 360);
    EXPECT_EQ(game.CoinCount(), 97);
}

TEST(SlotGame, ReelsRestOnlyAtFifteenPositionsAndHonourStopsWithin51Ticks) {
    FakeWaits waits;
    SlotGame game(waits);
    std::mt19937 pick(12345);
    std::set<int> restPositions;
    int worstDelay = 0;
    for (int round = 0; round < 3000; ++round) {
        game.StartGame();
        ASSERT_TRUE(game.Spinning(0) && game.Spinning(1) && game.Spinning(2));
        // Spin a while, then press the STOPs at random moments, one reel at a time.
        for (int r = 0; r < 3; ++r) {
            const int before = static_cast<int>(pick() % 400);
            for (int i = 0; i < before; ++i) {
                for (int k = 0; k < 3; ++k) {
                    game.Tick(k);
                }
            }
            game.RequestStop(r);
            if (r == 2) {
                game.RequestStop(2); // the right STOP's own request, without its pause
            }
            int ticks = 0;
            while (game.Spinning(r)) {
                game.Tick(r);
                ++ticks;
                const int p = game.ReelPosition(r);
                ASSERT_GE(p, 0);
                ASSERT_LE(p, 356);
                ASSERT_LE(ticks, 51) << "reel " << r << " ignored its stop";
            }
            worstDelay = std::max(worstDelay, ticks);
            EXPECT_FALSE(game.StopRequest(r));
            restPositions.insert(game.ReelPosition(r));
            const int offset = game.StripOffset(r);
            EXPECT_EQ(offset % 17, 0);
            EXPECT_GE(offset / 17, 1); // top cell shown at rest: 1..15
            EXPECT_LE(offset / 17, 15);
        }
    }
    std::set<int> expected;
    for (int p = 102; p <= 340; p += 17) {
        expected.insert(p);
    }
    EXPECT_EQ(restPositions, expected);
    EXPECT_EQ(worstDelay, 51);
}

TEST(SlotGame, StopRequestsWaitForTheirReelAndTicksOfRestingReelsDoNothing) {
    FakeWaits waits;
    SlotGame game(waits);
    game.RequestStop(1); // at rest: no effect, and the next start clears it
    EXPECT_TRUE(game.StopRequest(1));
    game.Tick(1);
    EXPECT_EQ(game.ReelPosition(1), 0);
    // Before any start the window shows rows 357.., the copy of the first three cells.
    EXPECT_EQ(game.StripOffset(1), 357);
    game.StartGame();
    EXPECT_FALSE(game.StopRequest(1));
    // A request made at the start is honoured on the first aligned tick: the position walks
    // 100, 200, 300, 43, ... and first lands on a cell edge, without wrapping, at tick 17 (272).
    game.RequestStop(0);
    int ticks = 0;
    while (game.Spinning(0)) {
        game.Tick(0);
        ++ticks;
    }
    EXPECT_EQ(game.ReelPosition(0), 272);
    EXPECT_EQ(ticks, 17);
    EXPECT_TRUE(game.Spinning(1));
    EXPECT_TRUE(game.Spinning(2));
}

TEST(SlotGame, LotteryFollowsTheTableInOrderWithFreshNumbers) {
    FakeWaits waits;
    struct Case {
        std::deque<double> numbers;
        const char16_t* role;
        int payout;
        int used;
    };
    const Case cases[] = {
        {{Hit(303)}, u"BB", 360, 1},
        {{0.0, Hit(606)}, u"RB", 120, 2},
        {{0.0, 0.0, Hit(7)}, u"RE", 3, 3},
        {{0.0, 0.0, 0.0, Hit(16)}, u"2C", 2, 4},
        {{0.0, 0.0, 0.0, 0.0, Hit(16)}, u"4C", 4, 5},
        {{0.0, 0.0, 0.0, 0.0, 0.0, Hit(16)}, u"CO", 8, 6},
        {{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, Hit(11)}, u"LE", 10, 7},
        {{}, u"H", 0, 7},
        // Each row takes its own number: a number that would hit row 3 does nothing in row 1.
        {{Hit(7), Hit(606)}, u"RB", 120, 2},
        // Just below the edge of a hit, and the largest number below 1.
        {{std::nextafter(6.0 / 303, 0.0), 0.999999999}, u"H", 0, 7},
    };
    for (const Case& c : cases) {
        Script script{c.numbers};
        SlotGame game(waits, std::ref(script));
        game.DrawRole();
        EXPECT_EQ(game.Role(), QString::fromUtf16(c.role));
        EXPECT_EQ(game.Payout(), c.payout) << game.Role().toStdString();
        EXPECT_EQ(script.used, c.used) << game.Role().toStdString();
    }
    // Without a script the game draws from the shared generator.
    SlotGame game(waits);
    Random::Shared().Seed(Random::DefaultSeed);
    game.DrawRole();
    Random copy;
    SlotGame mirror(waits, [&] { return copy.Next(); });
    mirror.DrawRole();
    EXPECT_EQ(game.Role(), mirror.Role());
}

TEST(SlotGame, RoleFrequenciesOverAMillionGames) {
    FakeWaits waits;
    Random random;
    SlotGame game(waits, [&] { return random.Next(); });
    const int games = 1000000;
    std::map<QString, int> counts;
    double paid = 0;
    for (int i = 0; i < games; ++i) {
        game.DrawRole();
        ++counts[game.Role()];
        paid += game.Payout();
    }
    // The chance of each row: its own 1 in N times the chance that every earlier row missed.
    double miss = 1.0;
    double expectedMean = 0.0;
    for (const auto& row : SlotGame::RoleTable) {
        const double p = miss / row.n;
        expectedMean += p * row.payout;
        const double n = counts[QString::fromUtf16(row.role)];
        const double sigma = std::sqrt(games * p * (1 - p));
        EXPECT_NEAR(n, games * p, 5 * sigma) << QString::fromUtf16(row.role).toStdString();
        miss *= 1.0 - 1.0 / row.n;
    }
    EXPECT_NEAR(counts[QStringLiteral("H")], games * miss, 5 * std::sqrt(games * miss * (1 - miss)));
    EXPECT_NEAR(miss, 0.63888, 0.00001);
    EXPECT_NEAR(expectedMean, 3.13, 0.005);
    EXPECT_NEAR(paid / games, expectedMean, 0.1); // about 5 standard errors
    EXPECT_EQ(counts.size(), 8u);
}

TEST(SlotGame, CoinsGoNegativeAndShowAMinus) {
    FakeWaits waits;
    SlotGame game(waits, [] { return 0.0; }); // never a role
    QSignalSpy coins(&game, &SlotGame::CoinsChanged);
    for (int i = 0; i < 34; ++i) {
        game.StartGame();
        ASSERT_TRUE(RunUntilRest(game) ||
                    (game.RequestStop(0), game.RequestStop(1), game.RequestStop(2), RunUntilRest(game)));
    }
    EXPECT_EQ(game.CoinCount(), -2);
    EXPECT_EQ(game.CoinText(), QStringLiteral("-2"));
    EXPECT_EQ(coins.count(), 34);
    EXPECT_EQ(coins.last().at(0).toInt(), -2);
    EXPECT_EQ(game.Role(), QStringLiteral("H"));
}

TEST(SlotGame, RightStopCreditsThePayoutEveryTime) {
    FakeWaits waits;
    Script script;
    SlotGame game(waits, std::ref(script));
    // Before any game: 0 after the pause.
    game.RightStop();
    EXPECT_EQ(game.CoinCount(), 100);
    EXPECT_EQ(waits.log, QStringList{QStringLiteral("pause 1400")});

    script.numbers = {0.0, 0.0, Hit(7)}; // "RE", 3 coins
    game.StartGame();
    EXPECT_EQ(game.CoinCount(), 97);
    game.RightStop();
    EXPECT_EQ(game.CoinCount(), 100);
    game.RightStop(); // a second press in the same game pays again
    EXPECT_EQ(game.CoinCount(), 103);
    game.RequestStop(0);
    game.RequestStop(1);
    ASSERT_TRUE(RunUntilRest(game));
    game.RightStop(); // all reels at rest: still pays until the next start resets Payout
    EXPECT_EQ(game.CoinCount(), 106);
}

TEST(SlotGame, PayoutIsReadWhenThePauseEnds) {
    FakeWaits waits;
    Script script{{Hit(303)}}; // first game: "BB"
    SlotGame game(waits, std::ref(script));
    game.StartGame();
    // While the right STOP pauses, the left and middle reels stop and a new game starts
    // (drawing "H"): the BB is lost.
    waits.duringPause.push_back([&] {
        game.RequestStop(0);
        game.RequestStop(1);
        while (game.Spinning(0) || game.Spinning(1)) {
            game.Tick(0);
            game.Tick(1);
        }
        game.StartGame();
    });
    game.RightStop();
    EXPECT_EQ(game.Role(), QStringLiteral("H"));
    EXPECT_EQ(game.CoinCount(), 94);

    // Two right STOPs nested: the inner one ends first and both credit.
    FakeWaits waits2;
    Script script2{{0.0, Hit(606)}};
    SlotGame game2(waits2, std::ref(script2));
    game2.StartGame();
    waits2.duringPause.push_back([&] { game2.RightStop(); });
    game2.RightStop();
    EXPECT_EQ(game2.CoinCount(), 97 + 240);
}

TEST(SlotGame, OnlyTheLeftReelDecidesWhetherAGameStarts) {
    FakeWaits waits;
    Script script{{0.0, 0.0, Hit(7)}};
    SlotGame game(waits, std::ref(script));
    game.StartGame();
    game.RequestStop(1);
    const int used = script.used;
    // Left reel spinning: nothing changes but the reels being shown.
    game.StartGame();
    EXPECT_EQ(game.CoinCount(), 97);
    EXPECT_EQ(game.Role(), QStringLiteral("RE"));
    EXPECT_TRUE(game.StopRequest(1));
    EXPECT_EQ(script.used, used);
    EXPECT_EQ(waits.log.count(QStringLiteral("hold 100")), 1);

    // Stop the left reel only; with the middle one still running (its request pending), a start
    // begins a new game: request dropped, all spin, 3 coins taken, a new role drawn.
    game.RequestStop(0);
    while (game.Spinning(0)) {
        game.Tick(0);
    }
    game.RequestStop(2);
    ASSERT_TRUE(game.Spinning(1));
    ASSERT_TRUE(game.Spinning(2));
    script.numbers = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, Hit(11)};
    game.StartGame();
    EXPECT_EQ(game.CoinCount(), 94);
    EXPECT_EQ(game.Role(), QStringLiteral("LE"));
    EXPECT_EQ(game.Payout(), 10);
    for (int r = 0; r < 3; ++r) {
        EXPECT_TRUE(game.Spinning(r));
        EXPECT_FALSE(game.StopRequest(r));
    }
    // The dropped request really is gone: the middle reel runs on past any aligned tick.
    for (int i = 0; i < 200; ++i) {
        game.Tick(1);
    }
    EXPECT_TRUE(game.Spinning(1));
}
