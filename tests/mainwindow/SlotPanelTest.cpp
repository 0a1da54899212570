// The cabinet panel on the offscreen platform: real timers, real clicks on the STOP, lever and
// start controls, the help texts, and the lever pictures read from their files.
#include "mainwindow/SlotPanel.h"
#include "mainwindow/MainWindowTexts.h"
#include "mainwindow/ReelArt.h"
#include "mainwindow/SlotGame.h"
#include "mainwindow/StoredArt.h"
#include "shell/Pause.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

using namespace ricorne;

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "slot_panel_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};
const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Records what the panel asks of its window; pauses for real so the reel timers run.
struct HostLog {
    QStringList calls;
    std::function<void(int)> duringPause; // runs at the start of every pause
};

class FakeHost : public SlotPanelHost {
public:
    explicit FakeHost(HostLog& log) : log_(log) {}
    void ShowHelp(const QString& text) override { log_.calls.append(QStringLiteral("show ") + text); }
    void HideHelp() override { log_.calls.append(QStringLiteral("hide")); }
    void Pause(int ms) override {
        log_.calls.append(QStringLiteral("pause %1").arg(ms));
        if (log_.duringPause) {
            log_.duringPause(ms);
        }
        ricorne::Pause(ms);
    }

private:
    HostLog& log_;
};

QString LeverGifDir() {
    return QString::fromUtf8(RICORNE_LEVER_GIF_DIR);
}

// Runs events until pred holds or ms pass; true when it held.
bool WaitFor(const std::function<bool()>& pred, int ms = 2000) {
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return pred();
}

void MoveOver(QWidget* widget, QPointF at = {-1, -1}) {
    if (at.x() < 0) {
        at = QRectF(widget->rect()).center();
    }
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

bool SamePicture(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            if (!(qAlpha(p) == 0 && qAlpha(q) == 0) && p != q) {
                return false;
            }
        }
    }
    return true;
}

struct Panel {
    HostLog log;
    SlotPanel panel{std::make_unique<FakeHost>(log)};
    Panel() { panel.show(); }
    template <class T = QWidget> T* Control(const char16_t* name) {
        T* w = panel.findChild<T*>(QString::fromUtf16(name));
        EXPECT_NE(w, nullptr) << QString::fromUtf16(name).toStdString();
        return w;
    }
    QString Coins() { return Control<QLabel>(u"Label13")->text(); }
};

} // namespace

TEST(SlotPanel, ControlsSitWhereTheCabinetDrawsThem) {
    Panel t;
    EXPECT_EQ(t.panel.size(), QSize(256, 428));
    EXPECT_EQ(t.Control(u"Picture2(0)")->geometry(), QRect(54, 128, 36, 52));
    EXPECT_EQ(t.Control(u"Picture2(2)")->geometry(), QRect(147, 128, 36, 52));
    // Strip holders exist right of the cabinet, outside the 256 px the window shows.
    EXPECT_EQ(t.Control(u"Picture3(0)")->geometry(), QRect(267, 3, 36, 408));
    EXPECT_EQ(t.Control(u"Picture3(2)")->geometry().left(), 347);
    EXPECT_EQ(t.Control(u"Label14")->geometry(), QRect(88, 216, 17, 25));
    EXPECT_EQ(t.Control(u"Label17")->geometry(), QRect(152, 216, 17, 25));
    EXPECT_EQ(t.Control(u"Label18")->geometry(), QRect(40, 216, 25, 25));
    EXPECT_EQ(t.Control(u"Image1")->geometry(), QRect(43, 220, 15, 14));
    EXPECT_EQ(t.Control(u"Label13")->geometry(), QRect(200, 400, 41, 33));
    EXPECT_EQ(t.Control<QPushButton>(u"Command1")->text(), QStringLiteral("Command1"));
    EXPECT_EQ(t.Coins(), QStringLiteral("100"));
    const QFont coinFont = t.Control(u"Label13")->font();
    EXPECT_TRUE(coinFont.bold());
    EXPECT_DOUBLE_EQ(coinFont.pointSizeF(), 14.25);
    EXPECT_TRUE(QFontInfo(coinFont).family().startsWith(QStringLiteral("P052")) ||
                QFontInfo(coinFont).family().startsWith(QStringLiteral("TeX Gyre Pagella")))
        << QFontInfo(coinFont).family().toStdString();
    // Reel windows stay hidden until the first start; the timers ask for 1 ms, precisely.
    EXPECT_FALSE(t.Control(u"Picture2(1)")->isVisible());
    auto* timer = t.panel.findChild<QTimer*>(QStringLiteral("Timer1(1)"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1);
    EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(timer->isActive());
}

TEST(SlotPanel, StopAreasStopTheirReelsAndTheRightOnePays) {
    Panel t;
    SlotGame& game = t.panel.Game();
    QTest::mouseClick(t.Control(u"Command1"), Qt::LeftButton);
    EXPECT_EQ(t.Coins(), QStringLiteral("97"));
    EXPECT_TRUE(t.Control(u"Picture2(0)")->isVisible());
    ASSERT_TRUE(game.Spinning(0) && game.Spinning(1) && game.Spinning(2));
    // The reels really move on their timers.
    const int before = game.ReelPosition(1);
    ASSERT_TRUE(WaitFor([&] { return game.ReelPosition(1) != before; }));

    QTest::mouseClick(t.Control(u"Label15"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !game.Spinning(1); }));
    EXPECT_TRUE(game.Spinning(0));
    EXPECT_EQ(game.ReelPosition(1) % 17, 0);
    QTest::mouseClick(t.Control(u"Label14"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !game.Spinning(0); }));

    // The right STOP pauses 1400 ms with events running (its reel stops meanwhile), then pays.
    const int payout = game.Payout();
    bool stoppedDuringPause = false;
    t.log.duringPause = [&](int) { stoppedDuringPause = WaitFor([&] { return !game.Spinning(2); }, 1000); };
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(t.Control(u"Label17"), Qt::LeftButton);
    EXPECT_GE(clock.elapsed(), 1400);
    EXPECT_TRUE(stoppedDuringPause);
    EXPECT_TRUE(t.log.calls.contains(QStringLiteral("pause 1400")));
    EXPECT_EQ(t.Coins(), QString::number(97 + payout));
    for (int r = 0; r < 3; ++r) {
        EXPECT_GE(game.ReelPosition(r), 102);
        EXPECT_LE(game.ReelPosition(r), 340);
        auto* timer = t.panel.findChild<QTimer*>(QStringLiteral("Timer1(%1)").arg(r));
        EXPECT_FALSE(timer->isActive());
    }
}

TEST(SlotPanel, LeverShowsItsPicturesFromTheFilesAtEveryPull) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pulled = dir.filePath(QStringLiteral("Bar.gif"));
    const QString atRest = dir.filePath(QStringLiteral("Bar0.gif"));
    ASSERT_TRUE(QFile::copy(LeverGifDir() + QStringLiteral("/Bar.gif"), pulled));
    ASSERT_TRUE(QFile::copy(LeverGifDir() + QStringLiteral("/Bar0.gif"), atRest));

    Panel t;
    t.panel.SetLeverPictureFiles(pulled, atRest);
    const QImage builtIn = t.panel.LeverPicture().toImage();
    ASSERT_FALSE(builtIn.isNull());
    QImage shownDuringPause;
    t.log.duringPause = [&](int) { shownDuringPause = t.panel.LeverPicture().toImage(); };
    QTest::mouseClick(t.Control(u"Label18"), Qt::LeftButton);
    EXPECT_TRUE(t.log.calls.contains(QStringLiteral("pause 500")));
    EXPECT_TRUE(SamePicture(shownDuringPause, QImage(pulled)));
    EXPECT_TRUE(SamePicture(t.panel.LeverPicture().toImage(), QImage(atRest)));
    EXPECT_EQ(t.Coins(), QStringLiteral("97"));

    // A second pull while the left reel spins: only the pictures change. The pulled picture was
    // replaced on disk meanwhile, and the new one shows.
    ASSERT_TRUE(QFile::remove(pulled));
    ASSERT_TRUE(QFile::copy(atRest, pulled));
    const QString role = t.panel.Game().Role();
    t.panel.PullLever();
    EXPECT_TRUE(SamePicture(shownDuringPause, QImage(atRest)));
    EXPECT_EQ(t.Coins(), QStringLiteral("97"));
    EXPECT_EQ(t.panel.Game().Role(), role);
}

TEST(SlotPanel, UnreadableLeverPicturesKeepTheLastOneAndTheGameStillStarts) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString broken = dir.filePath(QStringLiteral("Bar.gif"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("GIF89a not really");
    file.close();
    Panel t;
    t.panel.SetLeverPictureFiles(broken, dir.filePath(QStringLiteral("missing.gif")));
    const QImage builtIn = t.panel.LeverPicture().toImage();
    t.panel.PullLever();
    EXPECT_TRUE(SamePicture(t.panel.LeverPicture().toImage(), builtIn));
    EXPECT_EQ(t.Coins(), QStringLiteral("97"));
    EXPECT_TRUE(t.panel.Game().Spinning(0));
}

TEST(SlotPanel, HelpTextsAndTheBareCabinet) {
    Panel t;
    MoveOver(t.Control(u"Label13"));
    MoveOver(t.Control(u"Label18"));
    MoveOver(&t.panel, QPointF(6, 110)); // bare cabinet beside the reels
    MoveOver(t.Control(u"Picture2(0)")); // the reel windows lie over the cabinet: no change
    MoveOver(t.Control(u"Label14"));
    MoveOver(t.Control(u"Command1"));
    EXPECT_EQ(t.log.calls, (QStringList{QStringLiteral("show ") + CoinHelp(),
                                        QStringLiteral("show ") + LeverHelp(), QStringLiteral("hide")}));
    EXPECT_EQ(CoinHelp(), QStringLiteral(u"コイン枚数です。役がなくても「オマケ」で出す事も・・・"
                                         u"昔の手動のパチンコではよくあったものです。"));
    EXPECT_EQ(LeverHelp(), QStringLiteral(u"スロットをスタートさせます。"));
}

namespace {

// Sum of luminance steps between neighbouring pixels: a blurred picture has fewer, smaller ones.
double EdgeEnergy(const QImage& image) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    double energy = 0;
    for (int y = 0; y + 1 < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const uchar* below = grey.constScanLine(y + 1);
        for (int x = 0; x + 1 < grey.width(); ++x)
            energy += std::abs(row[x + 1] - row[x]) + std::abs(below[x] - row[x]);
    }
    return energy;
}

} // namespace

// On a 200 % screen the cabinet is drawn for that screen: sharper than the 1x drawing blown up
// smoothly, and with detail of its own rather than the 1x pixels doubled.
TEST(SlotPanel, CabinetAtTwiceTheRatioIsDrawnNotScaled) {
    Panel t;
    CabinetArt::Geometry layout;
    for (int r = 0; r < 3; ++r)
        layout.reels[r] = t.panel.findChild<QWidget*>(QStringLiteral("Picture2(%1)").arg(r))->geometry();
    layout.lever = t.Control(u"Label18")->geometry();
    layout.leverPicture = t.Control(u"Image1")->geometry();
    layout.coins = t.Control(u"Label13")->geometry();
    const QImage sharp = CabinetArt::Paint(layout, 2);
    const QImage one = CabinetArt::Paint(layout, 1);
    ASSERT_EQ(sharp.size(), QSize(512, 856));
    const QImage blown = one.scaled(sharp.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_GT(EdgeEnergy(sharp), 1.2 * EdgeEnergy(blown));

    const QImage doubled = one.scaled(sharp.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                               .convertToFormat(sharp.format());
    int differing = 0;
    for (int y = 0; y < sharp.height(); ++y)
        for (int x = 0; x < sharp.width(); ++x)
            differing += sharp.pixel(x, y) != doubled.pixel(x, y);
    EXPECT_GT(differing, sharp.width() * sharp.height() / 20);
}

// The program carries the art as the build painted it (the test links those pictures): they
// must be what the code paints now, pixel for pixel, at both stored ratios; other ratios paint.
TEST(SlotPanel, StoredArtIsWhatTheCodePaints) {
    for (const int ratio : {1, 2}) {
        std::vector<std::pair<QString, QImage>> painted = {
            {QStringLiteral("cabinet"), CabinetArt::Paint(SlotPanel::ArtLayout(), ratio)}};
        for (int reel = 0; reel < 3; ++reel)
            painted.emplace_back(QStringLiteral("strip%1").arg(reel), ReelArt::PaintStrip(reel, ratio));
        for (const auto& [name, image] : painted) {
            const QPixmap stored = StoredArt(name, ratio);
            ASSERT_FALSE(stored.isNull()) << name.toStdString() << " at " << ratio;
            EXPECT_EQ(stored.devicePixelRatio(), ratio);
            EXPECT_TRUE(stored.toImage().convertToFormat(QImage::Format_RGB32) ==
                        image.convertToFormat(QImage::Format_RGB32))
                << name.toStdString() << " at " << ratio;
        }
    }
    EXPECT_TRUE(StoredArt(QStringLiteral("cabinet"), 1.5).isNull());
}
