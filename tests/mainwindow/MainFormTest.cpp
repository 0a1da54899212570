#include "mainwindow/MainForm.h"
#include "TempAppDir.h"
#include "core/geometry/Twips.h"
#include "core/paths/Paths.h"
#include "shell/Pause.h"
#include "shell/WindowRegistry.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = new MainForm;
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_));
    }
    void TearDown() override { delete form_; }

    QPoint CentreOf(QWidget* w) const { return w->geometry().center(); }
    void MoveTo(QPoint pos) { QTest::mouseMove(form_, pos); }
    void MoveOver(QWidget* w) { MoveTo(CentreOf(w)); }

    MainForm* form_ = nullptr;
};

TEST_F(MainFormTest, LabelsHaveTheirCaptionsAtTheirPlaces) {
    EXPECT_EQ(form_->windowTitle(), QStringLiteral(u"楽し！ニギヤカ！リコルネ "));
    EXPECT_EQ(form_->size(), QSize(256, 428));
    const std::vector<std::pair<NavLabel, QString>> captions = {
        {NavLabel::Compose, QStringLiteral(u"   新規作成")},
        {NavLabel::Receive, QStringLiteral(u"  　　受信")},
        {NavLabel::ReceivedHistory, QStringLiteral(u"  着信履歴")},
        {NavLabel::SentHistory, QStringLiteral(u"  送信履歴")},
        {NavLabel::AddressBook, QStringLiteral(u"  アドレス帳")},
        {NavLabel::Settings, QStringLiteral(u"     設定")},
        {NavLabel::HelpPage, QStringLiteral(u"       HP")},
        {NavLabel::Minimise, QStringLiteral(u"     Small")},
    };
    for (const auto& [id, caption] : captions) {
        QLabel* label = form_->Label(id);
        EXPECT_EQ(label->text(), caption);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->isVisible());
    }
    EXPECT_EQ(form_->Label(NavLabel::Compose)->geometry(), TwipsRect(720, 4000, 1095, 170));
    EXPECT_EQ(form_->Label(NavLabel::Minimise)->geometry(), TwipsRect(2080, 4880, 1095, 165));
    EXPECT_EQ(form_->StatusLabel()->geometry(), TwipsRect(840, 6080, 1815, 255));
    EXPECT_EQ(form_->VersionLabel()->text(), QStringLiteral("Ver 1.31"));
    EXPECT_EQ(form_->VersionLabel()->font().family(), QStringLiteral("Book Antiqua"));

    // At load: help box hidden, status empty, clock box right of the visible cabinet.
    EXPECT_FALSE(form_->IsHelpShown());
    EXPECT_EQ(form_->Status(), QString());
    EXPECT_EQ(form_->ClockBox()->geometry(), TwipsRect(4440, 5520, 855, 270));
    EXPECT_GE(form_->ClockBox()->x(), form_->width());
    EXPECT_EQ(form_->ClockTimer()->interval(), 1000);
    EXPECT_TRUE(form_->ClockTimer()->isActive());
}

TEST_F(MainFormTest, HoverShowsEachLabelsHelpText) {
    const std::vector<std::pair<QLabel*, QString>> texts = {
        {form_->Label(NavLabel::Compose), QStringLiteral(u"メールの新規作成・送信を行います。")},
        {form_->Label(NavLabel::Receive), QStringLiteral(u"新着メールの受信を行います。")},
        {form_->Label(NavLabel::ReceivedHistory), QStringLiteral(u"受信したメールを見ます。")},
        {form_->Label(NavLabel::SentHistory),
         QStringLiteral(u"送信したメールを見ます。送信したかどうか自信のない時にここで確認して下さい。")},
        {form_->Label(NavLabel::AddressBook),
         QStringLiteral(u"メールアドレスを一発クリックで入力するための登録を行います。")},
        {form_->Label(NavLabel::Settings), QStringLiteral(u"ID,PASS,サーバーの設定を行います。")},
        {form_->Label(NavLabel::HelpPage), QStringLiteral(u"メーラー専門店、作者のホームページです。")},
        {form_->Label(NavLabel::Minimise), QStringLiteral(u"フォームを最小化します。")},
        {form_->StatusLabel(), QStringLiteral(u"受信時、新着メールの有無を表示します。")},
    };
    for (const auto& [label, text] : texts) {
        MoveOver(label);
        EXPECT_TRUE(form_->IsHelpShown()) << label->objectName().toStdString();
        EXPECT_EQ(form_->HelpText(), text) << label->objectName().toStdString();
    }
}

TEST_F(MainFormTest, LabelToLabelChangesTextAndBareCabinetHides) {
    int hides = 0;
    struct HideCounter : QObject {
        int* hides;
        explicit HideCounter(int* h) : hides(h) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Hide)
                ++*hides;
            return false;
        }
    } counter(&hides);
    form_->HelpBox()->installEventFilter(&counter);

    MoveOver(form_->Label(NavLabel::ReceivedHistory));
    MoveOver(form_->Label(NavLabel::SentHistory));
    EXPECT_TRUE(form_->IsHelpShown());
    EXPECT_EQ(hides, 0);
    EXPECT_TRUE(form_->HelpText().startsWith(QStringLiteral(u"送信したメール")));

    MoveTo(QPoint(10, 150)); // bare cabinet
    EXPECT_FALSE(form_->IsHelpShown());
    // Moving over the version label (no help of its own) leaves the box as it is.
    MoveOver(form_->Label(NavLabel::AddressBook));
    MoveOver(form_->VersionLabel());
    EXPECT_TRUE(form_->IsHelpShown());
    form_->HelpBox()->removeEventFilter(&counter);
}

TEST_F(MainFormTest, InstalledCabinetHidesHelpOnlyOnItsBareArea) {
    auto* cabinet = new QWidget;
    auto* lever = new QLabel(QStringLiteral("lever"), cabinet);
    lever->setGeometry(TwipsRect(600, 3240, 375, 375));
    lever->setMouseTracking(true);
    form_->InstallCabinet(cabinet);
    EXPECT_EQ(form_->Cabinet(), cabinet);
    EXPECT_EQ(cabinet->geometry(), QRect(0, 0, 256, 428));

    form_->ShowHelp(QStringLiteral(u"スロットをスタートさせます。"));
    MoveTo(lever->geometry().center()); // a move over the cabinet's own control
    EXPECT_TRUE(form_->IsHelpShown());
    MoveOver(form_->Label(NavLabel::Compose));
    EXPECT_TRUE(form_->IsHelpShown()); // labels stay above the new cabinet
    MoveTo(QPoint(240, 150));
    EXPECT_FALSE(form_->IsHelpShown());
}

TEST_F(MainFormTest, PressEffectComesBeforeTheActionOnlyWhereItBelongs) {
    struct Seen {
        bool eventsRan = false;
        bool enabledAtAction = false;
        bool disabledDuringPause = false;
        int actions = 0;
    };
    auto wire = [this](NavLabel id, Seen& seen, bool& eventFlag) {
        form_->SetLabelAction(id, [this, id, &seen, &eventFlag] {
            seen.eventsRan = eventFlag;
            seen.enabledAtAction = form_->Label(id)->isEnabled();
            ++seen.actions;
        });
    };
    for (NavLabel id : {NavLabel::Compose, NavLabel::Receive, NavLabel::AddressBook, NavLabel::Settings}) {
        Seen seen;
        bool eventFlag = false;
        wire(id, seen, eventFlag);
        QTimer::singleShot(0, [&] {
            eventFlag = true;
            seen.disabledDuringPause = !form_->Label(id)->isEnabled();
        });
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(form_->Label(id), Qt::LeftButton);
        EXPECT_EQ(seen.actions, 1);
        EXPECT_TRUE(seen.eventsRan);
        EXPECT_TRUE(seen.disabledDuringPause);
        EXPECT_TRUE(seen.enabledAtAction);
        EXPECT_GT(clock.elapsed(), 30);
    }
    for (NavLabel id : {NavLabel::ReceivedHistory, NavLabel::SentHistory}) {
        Seen seen;
        bool eventFlag = false;
        wire(id, seen, eventFlag);
        QTimer::singleShot(0, [&] { eventFlag = true; });
        QTest::mouseClick(form_->Label(id), Qt::LeftButton);
        EXPECT_EQ(seen.actions, 1);
        EXPECT_FALSE(seen.eventsRan); // acted at once, no pause
        QCoreApplication::processEvents();
    }
}

TEST_F(MainFormTest, ReceiveLabelSetsStatusBeforeThePressEffect) {
    std::vector<std::string> order;
    form_->SetLabelAction(
        NavLabel::Receive,
        [&] {
            order.push_back("check, enabled=" + std::to_string(form_->Label(NavLabel::Receive)->isEnabled()));
        },
        [&] {
            form_->SetStatus(QStringLiteral(u"メールを受信します。"));
            order.push_back("status, enabled=" +
                            std::to_string(form_->Label(NavLabel::Receive)->isEnabled()));
        });
    QTest::mouseClick(form_->Label(NavLabel::Receive), Qt::LeftButton);
    EXPECT_EQ(order, (std::vector<std::string>{"status, enabled=1", "check, enabled=1"}));
    EXPECT_EQ(form_->Status(), QStringLiteral(u"メールを受信します。"));
}

class Compose : public QWidget {
public:
    Compose() { ++made; }
    static inline int made = 0;
};

TEST_F(MainFormTest, TwoQuickClicksOpenOneWindow) {
    form_->SetLabelAction(NavLabel::Compose, [] { Registry().Show<Compose>(); });
    // The second click arrives while the first one's press effect pauses.
    QTimer::singleShot(5, [this] { form_->ClickLabel(NavLabel::Compose); });
    QTest::mouseClick(form_->Label(NavLabel::Compose), Qt::LeftButton);
    Pause(60);
    EXPECT_EQ(Compose::made, 1);
    EXPECT_TRUE(Registry().Find<Compose>()->isVisible());
    Registry().Close<Compose>();
}

TEST_F(MainFormTest, SmallMinimisesAndHpOpensTheHelpPageWhenPresent) {
    ricorne::testing::TempAppDir dir(ricorne::testing::TempAppDir::Layout::Empty);
    std::vector<QUrl> opened;
    form_->SetUrlOpener([&](const QUrl& url) { opened.push_back(url); });

    form_->ClickLabel(NavLabel::HelpPage);
    EXPECT_TRUE(opened.empty()); // no page, nothing happens
    ASSERT_TRUE(QDir(dir.Path()).mkpath(QStringLiteral("help")));
    QFile page(dir.FilePath(QStringLiteral("help/index.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    QTest::mouseClick(form_->Label(NavLabel::HelpPage), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(dir.FilePath(QStringLiteral("help/index.html"))));

    QTest::mouseClick(form_->Label(NavLabel::Minimise), Qt::LeftButton);
    EXPECT_TRUE(form_->windowState() & Qt::WindowMinimized);
}

TEST_F(MainFormTest, ClockBoxFillsAtTheFirstTick) {
    EXPECT_EQ(form_->ClockBoxText(), QString());
    Pause(1100);
    static const QRegularExpression format(QStringLiteral(R"(^\d{4}/\d{2}/\d{2}  \d{1,2}:\d{2}:\d{2}$)"));
    EXPECT_TRUE(format.match(form_->ClockBoxText()).hasMatch()) << form_->ClockBoxText().toStdString();
    const QDateTime shown =
        QDateTime::fromString(form_->ClockBoxText(), QStringLiteral("yyyy/MM/dd  H:mm:ss"));
    EXPECT_LE(qAbs(shown.secsTo(QDateTime::currentDateTime())), 2);
}

TEST_F(MainFormTest, LeverStatusAndClosingAsTheWiringUsesThem) {
    form_->PullLever(); // no slot yet: nothing
    int pulls = 0;
    form_->SetLeverAction([&] { ++pulls; });
    form_->PullLever();
    EXPECT_EQ(pulls, 1);

    form_->SetStatus(QStringLiteral(u"新着メール有り。"));
    EXPECT_EQ(form_->StatusLabel()->text(), QStringLiteral(u"新着メール有り。"));
    form_->ShowStatusNow(QStringLiteral(u"新着メール無し。"));
    EXPECT_EQ(form_->Status(), QStringLiteral(u"新着メール無し。"));

    bool closing = false;
    QObject::connect(form_, &MainForm::Closing, [&] { closing = true; });
    form_->setAttribute(Qt::WA_DeleteOnClose, false);
    form_->close();
    EXPECT_TRUE(closing);
}

} // namespace
} // namespace ricorne
