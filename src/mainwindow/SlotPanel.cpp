#include "mainwindow/SlotPanel.h"

#include "mainwindow/MainWindowTexts.h"

#include "core/geometry/Twips.h"
#include "core/paths/Paths.h"
#include "mainwindow/MainFormLayout.h"
#include "mainwindow/PaintedButton.h"
#include "mainwindow/ReelArt.h"
#include "mainwindow/ReelWindow.h"
#include "mainwindow/SlotGame.h"
#include "mainwindow/StoredArt.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <functional>
#include <thread>

namespace ricorne {

namespace {

// The resting lever kept with the window, shown until the first pull.
#include "mainwindow/lever/LeverAtRest.xpm"

// Positions of the slot's controls, in twips.
constexpr TwipsBox kReelBoxes[3] = {{810, 1920, 540, 780}, {1515, 1920, 540, 780}, {2205, 1920, 540, 780}};
constexpr TwipsBox kLeverArea{600, 3240, 375, 375}; // Label18
constexpr int kLeverPictureLeft = 640;              // Image1
constexpr int kLeverPictureTop = 3300;
constexpr QSize kLeverPictureSize{15, 14};
constexpr TwipsBox kStopAreas[3] = {{1320, 3240, 255, 375}, {1800, 3240, 255, 375}, {2280, 3240, 255, 375}};
constexpr TwipsBox kCoinLabel{3000, 6000, 615, 495};  // Label13
constexpr TwipsBox kStartButton{240, 5400, 375, 180}; // Command1
constexpr int kLeverPauseMs = 500;
constexpr qint64 kFrameIntervalMs = 4; // 250 frames a second, above any common refresh rate

// A transparent label that acts on a click (press and release on it) and on the pointer moving
// over it. It keeps the moves to itself, so the cabinet under it does not hide the help box.
class ClickArea : public QWidget {
public:
    ClickArea(const QString& name, QWidget* parent) : QWidget(parent) {
        setObjectName(name);
        setMouseTracking(true);
        setAttribute(Qt::WA_NoSystemBackground);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        MarkAsPaintedButton(this);
    }
    std::function<void()> onClick;
    std::function<void()> onHover;

protected:
    void paintEvent(QPaintEvent*) override { PaintFocusRing(this); }
    void keyPressEvent(QKeyEvent* event) override {
        if (!PressedByKey(this, event))
            QWidget::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        NoteFocusReason(this, event);
        QWidget::focusInEvent(event);
        if (onHover && CameByKeyboard(event->reason()))
            onHover(); // the help a pointer over it would show
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        event->accept();
        if (onHover) {
            onHover();
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            pressed_ = true;
        }
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        event->accept();
        if (event->button() != Qt::LeftButton || !pressed_) {
            return;
        }
        pressed_ = false;
        if (rect().contains(event->position().toPoint()) && onClick) {
            // The action may pause (and so run further clicks) or even outlive this area.
            const auto action = onClick;
            action();
        }
    }

private:
    bool pressed_ = false;
};

} // namespace

// The game's waits: the pause of the window it sits in, and a still wait that lets no event in.
class SlotPanel::Waits : public SlotWaits {
public:
    explicit Waits(SlotPanelHost& host) : host_(host) {}
    void Pause(int ms) override { host_.Pause(ms); }
    // Sleeping holds the one thread just as spinning would, without burning the processor.
    void Hold(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    SlotPanelHost& host_;
};

CabinetArt::Geometry SlotPanel::ArtLayout() {
    CabinetArt::Geometry layout;
    layout.helpDisplay = Place(kHelpBox);
    for (int r = 0; r < 3; ++r) {
        layout.reels[r] = Place(kReelBoxes[r]);
        layout.stops[r] = Place(kStopAreas[r]);
    }
    layout.lever = Place(kLeverArea);
    layout.leverPicture = QRect(TwipsPoint(kLeverPictureLeft, kLeverPictureTop), kLeverPictureSize);
    int i = 0;
    for (const NavLabelLayout& label : NavLabels()) {
        layout.menu[i++] = Place(label.box);
    }
    layout.version = Place(kVersionLabelBox);
    layout.startButton = Place(kStartButton);
    layout.status = Place(kStatusLabelBox);
    layout.coins = Place(kCoinLabel);
    return layout;
}

SlotPanel::SlotPanel(std::unique_ptr<SlotPanelHost> host, QWidget* parent)
    : QWidget(parent), host_(std::move(host)), waits_(std::make_unique<Waits>(*host_)) {
    setObjectName(QStringLiteral("Picture1"));
    setFixedSize(CabinetArt::Width, CabinetArt::Height);
    setMouseTracking(true);
    frameClock_.start();
    game_ = new SlotGame(*waits_, {}, this);

    layout_ = ArtLayout();

    // Reel windows and their timers. The windows stay hidden until the first start.
    for (int r = 0; r < 3; ++r) {
        reels_[r] = new ReelWindow(*game_, r, this);
        reels_[r]->setGeometry(layout_.reels[r]);
        reels_[r]->hide();
        reels_[r]->setAccessibleName(ReelSpokenName(r));
        timers_[r] = new QTimer(this);
        timers_[r]->setObjectName(QStringLiteral("Timer1(%1)").arg(r));
        timers_[r]->setTimerType(Qt::PreciseTimer);
        timers_[r]->setInterval(1);
        connect(timers_[r], &QTimer::timeout, this, [this, r] { OnTick(r); });
    }
    // The strip holders lie right of the cabinet, outside what the window shows; the reel
    // windows draw from their own copies of the strips.
    const int holderLefts[3] = {4000, 4600, 5200};
    for (int r = 0; r < 3; ++r) {
        auto* holder = new QLabel(this);
        holder->setObjectName(QStringLiteral("Picture3(%1)").arg(r));
        holder->setPixmap(ReelArt::Strip(r, 1));
        holder->setGeometry(QRect(TwipsPoint(holderLefts[r], 50), QSize(ReelArt::StripWidth, 408)));
    }
    connect(game_, &SlotGame::SpinningChanged, this, [this](int reel, bool spinning) {
        if (spinning) {
            timers_[reel]->start();
        } else {
            timers_[reel]->stop();
            const auto shown = ReelArt::CellsShown(reel, game_->StripOffset(reel));
            reels_[reel]->setAccessibleName(ReelSpokenName(reel, {shown.begin(), shown.end()}));
        }
    });
    connect(game_, &SlotGame::ReelsShown, this, [this] {
        for (ReelWindow* reel : reels_) {
            reel->show();
        }
    });

    // STOP areas: left and middle only ask; the right one pays after its pause.
    const char16_t* stopNames[3] = {u"Label14", u"Label15", u"Label17"};
    for (int r = 0; r < 3; ++r) {
        auto* area = new ClickArea(QString::fromUtf16(stopNames[r]), this);
        area->setGeometry(layout_.stops[r]);
        area->setAccessibleName(StopName(r));
        if (r < 2) {
            area->onClick = [this, r] { game_->RequestStop(r); };
        } else {
            area->onClick = [game = QPointer<SlotGame>(game_)] {
                if (game) {
                    game->RightStop();
                }
            };
        }
    }

    // The lever: its click area, and the picture inside it (clicks go through to the area).
    auto* leverArea = new ClickArea(QStringLiteral("Label18"), this);
    leverArea->setGeometry(layout_.lever);
    leverArea->onClick = [self = QPointer<SlotPanel>(this)] {
        if (self) {
            self->PullLever();
        }
    };
    leverArea->onHover = [this] { host_->ShowHelp(LeverHelp()); };
    leverArea->setAccessibleName(LeverName());
    leverArea->setAccessibleDescription(LeverHelp());
    leverArea_ = leverArea;
    lever_ = new QLabel(this);
    lever_->setObjectName(QStringLiteral("Image1"));
    lever_->setGeometry(layout_.leverPicture);
    lever_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lever_->setPixmap(QPixmap(lever_at_rest_xpm));

    // Coin counter in the tray.
    coins_ = new QLabel(this);
    coins_->setObjectName(QStringLiteral("Label13"));
    coins_->setTextFormat(Qt::PlainText);
    coins_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    coins_->setGeometry(layout_.coins);
    QFont coinFont;
    coinFont.setFamilies(
        {QStringLiteral("Book Antiqua"), QStringLiteral("P052"), QStringLiteral("TeX Gyre Pagella")});
    coinFont.setPointSizeF(14.25);
    coinFont.setBold(true);
    coins_->setFont(coinFont);
    QPalette coinColours = coins_->palette();
    coinColours.setColor(QPalette::WindowText, Qt::white);
    coins_->setPalette(coinColours);
    coins_->setMouseTracking(true);
    coins_->installEventFilter(this);
    coins_->setAccessibleDescription(CoinHelp());
    const auto showCoins = [this] {
        coins_->setText(game_->CoinText());
        coins_->setAccessibleName(CoinSpokenName(game_->CoinCount()));
    };
    showCoins();
    connect(game_, &SlotGame::CoinsChanged, coins_, showCoins);

    start_ = new QPushButton(QStringLiteral("Command1"), this);
    start_->setObjectName(QStringLiteral("Command1"));
    start_->setGeometry(layout_.startButton);
    start_->setFocusPolicy(Qt::NoFocus);
    start_->setAccessibleName(StartButtonName());
    start_->setAccessibleDescription(LeverHelp());
    QFont small = start_->font();
    small.setPixelSize(7);
    start_->setFont(small);
    connect(start_, &QPushButton::clicked, game_, &SlotGame::StartGame);
}

SlotPanel::~SlotPanel() {
    // The game talks to waits_ and the host; let it go first.
    delete game_;
    game_ = nullptr;
}

void SlotPanel::OnTick(int reel) {
    game_->Tick(reel);
    // A tick comes about every millisecond, far more often than any screen shows a frame: paint
    // at most once per frame interval, and always on the tick that brings the reel to rest.
    const qint64 now = frameClock_.elapsed();
    if (!game_->Spinning(reel) || now - lastPaint_[reel] >= kFrameIntervalMs) {
        lastPaint_[reel] = now;
        reels_[reel]->update();
    }
}

void SlotPanel::PullLever() {
    const QPointer<SlotPanel> self(this);
    ShowLeverPicture(LeverFile(true));
    game_->StartGame();
    host_->Pause(kLeverPauseMs);
    if (!self) {
        return;
    }
    ShowLeverPicture(LeverFile(false));
}

void SlotPanel::SetLeverPictureFiles(const QString& pulled, const QString& atRest) {
    pulledFile_ = pulled;
    atRestFile_ = atRest;
}

QPixmap SlotPanel::LeverPicture() const {
    return lever_->pixmap();
}

QString SlotPanel::LeverFile(bool pulled) const {
    const QString& chosen = pulled ? pulledFile_ : atRestFile_;
    if (!chosen.isEmpty()) {
        return chosen;
    }
    return ResolvePath(QStringLiteral(u"\\★MailData\\") +
                       (pulled ? QStringLiteral("Bar.gif") : QStringLiteral("Bar0.gif")));
}

void SlotPanel::ShowLeverPicture(const QString& path) {
    // Read from the file every time (no picture cache), so a replaced file shows at once.
    QImageReader reader(path);
    const QImage picture = reader.read();
    if (!picture.isNull()) {
        lever_->setPixmap(QPixmap::fromImage(picture));
    }
}

void SlotPanel::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    if (ratio != cabinetRatio_) {
        cabinet_ = StoredArt(QStringLiteral("cabinet"), ratio);
        if (cabinet_.isNull())
            cabinet_ = QPixmap::fromImage(CabinetArt::Paint(layout_, ratio));
        cabinetRatio_ = ratio;
    }
    QPainter p(this);
    const QRect dirty = event->rect();
    p.drawPixmap(
        dirty, cabinet_,
        QRectF(dirty.left() * ratio, dirty.top() * ratio, dirty.width() * ratio, dirty.height() * ratio));
}

void SlotPanel::mouseMoveEvent(QMouseEvent* event) {
    // Only the bare cabinet hides the box; a move that a control passed on (the start button)
    // leaves it as it is.
    if (!childAt(event->position().toPoint())) {
        host_->HideHelp();
    }
    event->accept();
}

bool SlotPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == coins_ && event->type() == QEvent::MouseMove) {
        host_->ShowHelp(CoinHelp());
        return true; // not on to the cabinet, which would hide the box again
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ricorne
