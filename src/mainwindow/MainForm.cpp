#include "mainwindow/MainForm.h"

#include "core/clock/ClockText.h"
#include "core/geometry/Twips.h"
#include "mainwindow/HelpPage.h"
#include "mainwindow/LabelButton.h"
#include "mainwindow/PaintedButton.h"
#include "shell/Pause.h"
#include "shell/TextBoxAdapter.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>

namespace ricorne {

namespace {

// Until the slot paints the cabinet, a plain cabinet-coloured panel stands in for it.
const QColor kCabinetColour(0x6e, 0x1a, 0x2a);
const QColor kLabelColour(0xff, 0xee, 0xb8);
const QColor kPressedLabelColour(0xb0, 0x90, 0x70);

void PaintLabelText(QLabel* label) {
    QPalette p = label->palette();
    p.setColor(QPalette::Active, QPalette::WindowText, kLabelColour);
    p.setColor(QPalette::Inactive, QPalette::WindowText, kLabelColour);
    p.setColor(QPalette::Disabled, QPalette::WindowText, kPressedLabelColour);
    label->setPalette(p);
}

QWidget* PlainCabinet() {
    auto* cabinet = new QWidget;
    cabinet->setObjectName(QStringLiteral("Picture1"));
    cabinet->setAutoFillBackground(true);
    QPalette p = cabinet->palette();
    p.setColor(QPalette::Window, kCabinetColour);
    cabinet->setPalette(p);
    return cabinet;
}

} // namespace

MainForm::MainForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(MainFormCaption());
    setFixedSize(Place(kCabinetBox).size());
    openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    InstallCabinet(PlainCabinet());
    BuildLabels();

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName(QStringLiteral("Label19"));
    statusLabel_->setTextFormat(Qt::PlainText);
    statusLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusLabel_->setGeometry(Place(kStatusLabelBox));
    statusLabel_->setMouseTracking(true);
    PaintLabelText(statusLabel_);
    statusLabel_->installEventFilter(this);
    hoverHelp_[statusLabel_] = StatusLabelHelp();
    // No fixed accessible name: its text is its name, so a new status is a name change.
    statusLabel_->setAccessibleDescription(StatusLabelHelp());

    versionLabel_ = new QLabel(VersionText(), this);
    versionLabel_->setObjectName(QStringLiteral("Label20"));
    versionLabel_->setTextFormat(Qt::PlainText);
    versionLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    versionLabel_->setFont(QFont(VersionFontFamily(), 9));
    versionLabel_->setGeometry(Place(kVersionLabelBox));
    PaintLabelText(versionLabel_);

    // The help box (Text1) is built when it first shows: most starts never show it.

    // The clock box lies right of the cabinet, outside the client area, as it always has.
    clockBox_ = new QLineEdit(this);
    clockBox_->setObjectName(QStringLiteral("Text2"));
    clockBox_->setGeometry(Place(kClockBox));
    clockBox_->setAccessibleName(ClockBoxName());
    clockBox_->setFocusPolicy(Qt::NoFocus); // out of sight: Tab must not lose itself there

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("Timer2"));
    clockTimer_->setInterval(kClockIntervalMs);
    connect(clockTimer_, &QTimer::timeout, this, &MainForm::RefreshClock);
    clockTimer_->start();

    SetLabelAction(NavLabel::HelpPage, [this] { OpenHelpPage(); });
    SetLabelAction(NavLabel::Minimise, [this] { showMinimized(); });
}

MainForm::~MainForm() = default;

void MainForm::BuildLabels() {
    for (const NavLabelLayout& info : NavLabels()) {
        auto* label = new LabelButton(info.caption, this);
        label->setObjectName(info.name);
        label->setGeometry(Place(info.box));
        PaintLabelText(label);
        label->setAccessibleName(NavLabelSpokenName(info.id));
        label->setAccessibleDescription(info.help);
        label->installEventFilter(this);
        labels_[info.id] = label;
        hoverHelp_[label] = info.help;
        connect(label, &LabelButton::Clicked, this, [this, id = info.id] { ClickLabel(id); });
    }
}

void MainForm::SetLabelAction(NavLabel label, std::function<void()> action,
                              std::function<void()> beforePress) {
    labelActions_[label] = LabelAction{std::move(beforePress), std::move(action)};
}

void MainForm::ClickLabel(NavLabel id) {
    const LabelAction todo = labelActions_[id]; // a copy: the action may set the label's action anew
    QPointer<MainForm> self(this);
    if (todo.beforePress)
        todo.beforePress();
    if (self && NavLabelInfo(id).pressEffect) {
        QPointer<QLabel> label = Label(id);
        const bool focused = label->hasFocus();
        label->setEnabled(false);
        Pause(kPressEffectMs); // further clicks run meanwhile
        if (!self || !label)
            return;
        label->setEnabled(true);
        // Disabling passed the focus on; a label pressed by key gets it back.
        if (focused && isActiveWindow())
            label->setFocus(Qt::TabFocusReason); // as it came: by the keyboard
    }
    if (self && todo.action)
        todo.action();
}

void MainForm::SetStatus(const QString& text) {
    statusLabel_->setText(text);
}
void MainForm::ShowStatusNow(const QString& text) {
    SetStatus(text);
    statusLabel_->repaint();
}
QString MainForm::Status() const {
    return statusLabel_->text();
}

QPlainTextEdit* MainForm::HelpBox() {
    if (helpBox_)
        return helpBox_;
    helpBox_ = new QPlainTextEdit(this);
    helpBox_->setObjectName(QStringLiteral("Text1"));
    helpBox_->setReadOnly(true);
    helpBox_->setFocusPolicy(Qt::NoFocus);
    helpBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    helpBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    helpBox_->setGeometry(Place(kHelpBox));
    helpBox_->setAccessibleName(HelpBoxName());
    helpBox_->hide();
    // Its place among the controls, as if built with them: over the labels, under the clock box.
    helpBox_->stackUnder(clockBox_);
    return helpBox_;
}

void MainForm::ShowHelp(const QString& text) {
    QPlainTextEdit* box = HelpBox();
    if (BoxText(*box) != text)
        box->setPlainText(text);
    box->show();
}

void MainForm::HideHelp() {
    if (helpBox_)
        helpBox_->hide();
}
bool MainForm::IsHelpShown() const {
    return helpBox_ && !helpBox_->isHidden();
}
QString MainForm::HelpText() const {
    return helpBox_ ? BoxText(*helpBox_) : QString();
}

QString MainForm::ClockBoxText() const {
    return clockBox_->text();
}
void MainForm::RefreshClock() {
    clockBox_->setText(ClockText(QDateTime::currentDateTime()));
}

void MainForm::SetLeverAction(std::function<void()> pull) {
    lever_ = std::move(pull);
}

void MainForm::PullLever() {
    if (lever_)
        lever_();
}

void MainForm::InstallCabinet(QWidget* cabinet) {
    if (cabinet_) {
        cabinet_->hide(); // gone from sight and from the pointer now, deleted later
        cabinet_->removeEventFilter(this);
        cabinet_->deleteLater();
    }
    cabinet_ = cabinet;
    cabinet->setParent(this);
    cabinet->setGeometry(Place(kCabinetBox));
    cabinet->setMouseTracking(true);
    cabinet->installEventFilter(this);
    cabinet->lower();
    cabinet->show();
}

void MainForm::SetUrlOpener(std::function<void(const QUrl&)> opener) {
    openUrl_ = std::move(opener);
}

QLabel* MainForm::Label(NavLabel label) const {
    return labels_.at(label);
}

void MainForm::OpenHelpPage() {
    const QString path = HelpPagePath();
    if (!path.isEmpty() && openUrl_)
        openUrl_(QUrl::fromLocalFile(path));
}

void MainForm::closeEvent(QCloseEvent* event) {
    event->accept();
    Q_EMIT Closing();
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
    const bool moved = event->type() == QEvent::MouseMove || event->type() == QEvent::Enter;
    if (event->type() == QEvent::FocusIn) {
        // A label reached by Tab shows the help a pointer over it would.
        auto help = hoverHelp_.find(watched);
        if (help != hoverHelp_.end() && CameByKeyboard(static_cast<QFocusEvent*>(event)->reason()))
            ShowHelp(help->second);
        return QWidget::eventFilter(watched, event);
    }
    if (!moved)
        return QWidget::eventFilter(watched, event);
    if (auto help = hoverHelp_.find(watched); help != hoverHelp_.end()) {
        ShowHelp(help->second);
    } else if (watched == cabinet_) {
        const QPointF pos = event->type() == QEvent::Enter ? static_cast<QEnterEvent*>(event)->position()
                                                           : static_cast<QMouseEvent*>(event)->position();
        if (!cabinet_->childAt(pos.toPoint()))
            HideHelp(); // the bare cabinet
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ricorne
