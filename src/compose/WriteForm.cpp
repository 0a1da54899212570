#include "compose/WriteForm.h"

#include "compose/AttachmentControls.h"
#include "compose/NameListBox.h"
#include "compose/SendComposedMail.h"
#include "compose/SentHistoryLoss.h"
#include "compose/WriteFormLayout.h"
#include "core/dialogs/CommonTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "core/text/Text.h"
#include "shell/AccessibleNames.h"
#include "shell/EscapeCloses.h"
#include "shell/LongOperation.h"
#include "shell/TextBoxAdapter.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace ricorne {

namespace {

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int column, int row) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setGeometry(
        Place({layout::kButtonLefts[column], row, layout::kButtonWidth, layout::kButtonHeight}));
    return button;
}

QLabel* MakeCaption(QWidget* parent, const QString& text, const TwipsBox& box) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(Place(box));
    return label;
}

QLineEdit* MakeField(QWidget* parent, const QString& name, const QString& caption, int row) {
    MakeCaption(parent, caption, {layout::kCaptionLeft, row, layout::kCaptionWidth, layout::kFieldHeight});
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setGeometry(Place({layout::kFieldLeft, row, layout::kFieldWidth, layout::kFieldHeight}));
    return field;
}

// Unchecks both buttons of an exclusive pair (an exclusive button refuses to uncheck itself).
void SetRadio(QRadioButton* button, bool on) {
    if (button->isChecked() == on)
        return;
    button->setAutoExclusive(false);
    button->setChecked(on);
    button->setAutoExclusive(true);
}

} // namespace

WriteForm::WriteForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("WriteForm"));
    setWindowTitle(WriteFormCaption());
    Build();
    NameControls(*this, ComposeAccessibleName, WriteFormAccessibleDescription);
    Wire();
    CloseOnEscape(*this, [this] {
        Pull();
        const bool written =
            !state_.recipient.isEmpty() || !state_.subject.isEmpty() || !state_.body.isEmpty();
        return !written || Dialogs().Confirm(CloseUnsentQuestion());
    });
}

WriteForm::~WriteForm() = default;

void WriteForm::Build() {
    using namespace layout;
    send_ = MakeButton(this, QStringLiteral("Command1"), QStringLiteral(u"送信"), 0, kButtonRow1);
    addressBook_ =
        MakeButton(this, QStringLiteral("Command4"), QStringLiteral(u"アドレス帳"), 1, kButtonRow1);
    normalSize_ = MakeButton(this, QStringLiteral("Command6"), QStringLiteral(u"元のサイズ"), 2, kButtonRow1);
    faceMarks_ = MakeButton(this, QStringLiteral("Command8"), QStringLiteral(u"顔・絵文字"), 3, kButtonRow1);
    stop_ = MakeButton(this, QStringLiteral("Command3"), QStringLiteral(u"送信中止"), 0, kButtonRow2);
    pasteBody_ = MakeButton(this, QStringLiteral("Command5"), QStringLiteral(u"本文に貼付"), 1, kButtonRow2);
    pasteTo_ = MakeButton(this, QStringLiteral("Command7"), QStringLiteral(u"宛先に貼付"), 2, kButtonRow2);
    clear_ = MakeButton(this, QStringLiteral("Command11"), QStringLiteral(u"クリア"), 3, kButtonRow2);

    to_ = MakeField(this, QStringLiteral("ToText"), QStringLiteral(u"宛先"), kRecipientRow);
    // The length limit holds for typing only (see eventFilter): a maximum length on the box
    // would also cut what is pasted or set, silently changing where the mail goes.
    subject_ = MakeField(this, QStringLiteral("SubjectText"), QStringLiteral(u"件名"), kSubjectRow);

    MakeCaption(this, QStringLiteral(u"首記例"),
                {kCaptionLeft, kOpeningLineRow, kCaptionWidth, kFieldHeight});
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("Combo1"));
    combo_->setEditable(true);
    combo_->setInsertPolicy(QComboBox::NoInsert);
    combo_->addItems(GreetingLines());
    combo_->setCurrentIndex(-1);
    combo_->setEditText(QString());
    combo_->setGeometry(Place({kFieldLeft, kOpeningLineRow, kFieldWidth, kFieldHeight}));

    attachments_ = new AttachmentControls(this, QStringLiteral(u"添付File"), state_.attachments);
    attachments_->AttachButton()->setGeometry(Place(kAttachButton));
    attachments_->AddButton()->setGeometry(Place(kAddButton));
    attachments_->CancelButton()->setGeometry(Place(kCancelButton));
    attachments_->AttachText()->setGeometry(Place(kAttachText));
    attachments_->Rows()->setGeometry(Place(kAttachRows));

    MakeCaption(this, QStringLiteral(u"占い添付"), kFortuneLabel);
    auto* fortuneCaption = MakeCaption(
        this, QStringLiteral(u"★　親しい人に占いを添付する　★ （一括送信では使用不可）"), kFortuneCaption);
    fortuneCaption->setStyleSheet(QStringLiteral("color: #a0006e;"));
    fortune_ = new QCheckBox(this);
    fortune_->setObjectName(QStringLiteral("Check1"));
    fortune_->setGeometry(Place(kFortuneCheck));

    body_ = new QPlainTextEdit(this);
    body_->setTabChangesFocus(true); // Tab must lead on, or the keyboard is caught here
    body_->setObjectName(QStringLiteral("BodyText"));
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    body_->setGeometry(Place(kBody));

    auto* statusPanel = new QFrame(this);
    statusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusPanel->setGeometry(Place(kStatusPanel));
    status_ = new QLabel(statusPanel);
    status_->setObjectName(QStringLiteral("Label7"));
    status_->setTextFormat(Qt::PlainText);
    status_->setGeometry(statusPanel->rect().adjusted(6, 2, -6, -2));

    help_ = new QPlainTextEdit(this);
    help_->setObjectName(QStringLiteral("Text14"));
    help_->setReadOnly(true);
    help_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    help_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: rgb(192, 255, 255); color: black; }"));
    help_->setGeometry(Place(kComposeHelpBox));
    help_->hide();

    BuildNamePanel();

    // The list of attachment rows drops down over everything below it.
    attachments_->Rows()->raise();
    attachments_->Rows()->hide();
    help_->raise();

    setMouseTracking(true);
    resize(TwipsSize(kWriteFormWidth, kWriteFormHeight));
}

void WriteForm::BuildNamePanel() {
    using namespace layout;
    namePanel_ = new QFrame(this);
    namePanel_->setObjectName(QStringLiteral("Picture5"));
    static_cast<QFrame*>(namePanel_)->setFrameStyle(QFrame::Panel | QFrame::Raised);
    namePanel_->setMouseTracking(true);
    namePanel_->setGeometry(Place(kNamePanel));

    auto* header = new QLabel(QStringLiteral(u"アドレス帳"), namePanel_);
    header->setTextFormat(Qt::PlainText);
    header->setAlignment(Qt::AlignCenter);
    header->setStyleSheet(QStringLiteral("background: rgb(0, 0, 128); color: white; font-weight: bold;"));
    header->setGeometry(Place(kNamePanelHeader));
    auto* countCaption = new QLabel(QStringLiteral(u"件数"), namePanel_);
    countCaption->setTextFormat(Qt::PlainText);
    countCaption->setGeometry(Place(kNameCountCaption));
    nameCount_ = new QLineEdit(namePanel_);
    nameCount_->setObjectName(QStringLiteral("Text1"));
    nameCount_->setReadOnly(true);
    nameCount_->setGeometry(Place(kNameCount));

    names_ = new NameListBox(namePanel_);
    names_->setObjectName(QStringLiteral("List1"));
    names_->setAutoFillBackground(true);
    // Names carry their fill spaces to 90 bytes; they need no sideways scrolling.
    names_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    names_->setTextElideMode(Qt::ElideNone);
    names_->setGeometry(Place(kNameList));

    auto* frame = new QFrame(namePanel_);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(Place(kBatchFrame));
    batch_ = new QRadioButton(QStringLiteral(u"一括送信"), frame);
    batch_->setObjectName(QStringLiteral("Option2"));
    normal_ = new QRadioButton(QStringLiteral(u"取消"), frame);
    normal_->setObjectName(QStringLiteral("Option1"));
    batch_->setGeometry(TwipsRect(90, 90, 1200, kFieldHeight));
    normal_->setGeometry(TwipsRect(1380, 90, 780, kFieldHeight));
}

void WriteForm::Wire() {
    connect(send_, &QPushButton::clicked, this, [this] { Send(); });
    connect(stop_, &QPushButton::clicked, this, [this] { close(); });
    connect(addressBook_, &QPushButton::clicked, this, [this] {
        Apply(ShowNamePanel);
        SetWidth(layout::kWriteFormWideWidth);
        CentreOnScreen();
    });
    connect(normalSize_, &QPushButton::clicked, this, [this] {
        Apply(HideNamePanel);
        SetWidth(layout::kWriteFormWidth);
        CentreOnScreen();
    });
    connect(pasteBody_, &QPushButton::clicked, this, [this] {
        Apply([](ComposeState& s) { PasteIntoBody(s, QGuiApplication::clipboard()->text()); });
    });
    connect(pasteTo_, &QPushButton::clicked, this, [this] {
        Apply([](ComposeState& s) { PasteIntoRecipient(s, QGuiApplication::clipboard()->text()); });
    });
    connect(clear_, &QPushButton::clicked, this, [this] { Apply(ClearCompose); });
    connect(faceMarks_, &QPushButton::clicked, this, [this] {
        if (faceMarkAction_)
            faceMarkAction_();
    });
    connect(batch_, &QRadioButton::clicked, this, [this] { Apply(ChooseBatchSending); });
    connect(normal_, &QRadioButton::clicked, this, [this] { Apply(ChooseNormalSending); });
    connect(names_, &NameListBox::Pressed, this, [this] { PickName(); });
    // Typing, pasting, a face mark or the greeting chooser: every change of the texts counts.
    connect(to_, &QLineEdit::textChanged, this, [this] { NoteSentHistoryLoss(); });
    connect(subject_, &QLineEdit::textChanged, this, [this] { NoteSentHistoryLoss(); });
    connect(body_, &QPlainTextEdit::textChanged, this, [this] { NoteSentHistoryLoss(); });

    to_->installEventFilter(this);
    combo_->installEventFilter(this);
    if (combo_->lineEdit())
        combo_->lineEdit()->installEventFilter(this);

    helpTargets_ = {
        {send_, ComposeHelp::Send},
        {stop_, ComposeHelp::Stop},
        {addressBook_, ComposeHelp::AddressBook},
        {pasteBody_, ComposeHelp::PasteBody},
        {normalSize_, ComposeHelp::NormalSize},
        {pasteTo_, ComposeHelp::PasteRecipient},
        {clear_, ComposeHelp::Clear},
        {attachments_->AddButton(), ComposeHelp::AddFile},
        {attachments_->AttachButton(), ComposeHelp::AttachFile},
        {faceMarks_, ComposeHelp::FaceMarks},
    };
    for (const auto& [control, help] : helpTargets_)
        control->installEventFilter(this);
    body_->viewport()->installEventFilter(this);
    namePanel_->installEventFilter(this);
}

void WriteForm::Load() {
    LoadComposeState(state_);
    resize(TwipsSize(layout::kWriteFormWidth, layout::kWriteFormHeight));
    CentreOnScreen();
    Push();
}

const ComposeState& WriteForm::State() {
    Pull();
    return state_;
}

void WriteForm::SetFaceMarkAction(std::function<void()> action) {
    faceMarkAction_ = std::move(action);
}

TextBox WriteForm::Body() const {
    return ReadTextBox(*body_);
}

void WriteForm::EditBody(const std::function<void(TextBox&)>& edit) {
    EditTextBox(*body_, edit);
}

void WriteForm::SetFileChooser(FileChooser chooser) {
    attachments_->SetFileChooser(std::move(chooser));
}

void WriteForm::Pull() {
    state_.recipient = to_->text();
    state_.subject = subject_->text();
    state_.body = ToCrLf(BoxText(*body_));
    state_.openingLine = combo_->currentText();
    state_.fortune = fortune_->isChecked();
    state_.batch = batch_->isChecked()    ? BatchChoice::Batch
                   : normal_->isChecked() ? BatchChoice::Normal
                                          : BatchChoice::None;
}

void WriteForm::Push() {
    if (to_->text() != state_.recipient)
        to_->setText(state_.recipient);
    if (subject_->text() != state_.subject)
        subject_->setText(state_.subject);
    const QString body = FromCrLf(state_.body);
    if (BoxText(*body_) != body) {
        body_->setPlainText(body);
        body_->moveCursor(QTextCursor::End);
    }
    if (combo_->currentText() != state_.openingLine)
        combo_->setEditText(state_.openingLine);
    attachments_->Push();
    fortune_->setChecked(state_.fortune);
    SetRadio(batch_, state_.batch == BatchChoice::Batch);
    SetRadio(normal_, state_.batch == BatchChoice::Normal);

    QStringList shown;
    for (int i = 0; i < names_->count(); ++i)
        shown.append(names_->item(i)->text());
    if (shown != state_.names) {
        names_->clear();
        names_->addItems(state_.names);
    }
    QPalette palette = names_->palette();
    palette.setColor(QPalette::Base, state_.namesHighlighted ? QColor(0, 128, 0) : QColor(255, 255, 255));
    palette.setColor(QPalette::Text, state_.namesHighlighted ? QColor(255, 255, 255) : QColor(0, 0, 0));
    names_->setPalette(palette);
    nameCount_->setText(state_.nameCount);
    // The panel lies beyond the normal width; it is only shown with the widened window.
    namePanel_->setVisible(state_.widened);
    status_->setText(state_.status);
}

void WriteForm::Apply(const std::function<void(ComposeState&)>& operation) {
    Pull();
    operation(state_);
    Push();
}

void WriteForm::SetWidth(int twips) {
    resize(Twips(twips), height());
}

void WriteForm::CentreOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}

void WriteForm::Send() {
    if (sending_ || LongOperation::Running())
        return;
    Pull();
    bool closeWhenDone = false;
    {
        const LongOperation running;
        sending_ = true;
        ComposeSendHooks hooks;
        hooks.refresh = [this] {
            Push();
            status_->repaint(); // the send holds the window's thread: paint the status line now
            LongOperation::ShowProgress();
        };
        hooks.close = [&closeWhenDone] { closeWhenDone = true; };
        SendComposedMail(state_, hooks);
        sending_ = false;
    }
    Push();
    if (closeWhenDone)
        close();
}

void WriteForm::NoteSentHistoryLoss() {
    // The send shows its own progress; the texts it changes (the fortune) keep in CP932.
    if (sending_)
        return;
    // Straight from the controls: this runs inside Push too, when only some of them are pushed.
    state_.status = StatusAfterEdit(state_.status, to_->text(), subject_->text(), BoxText(*body_));
    if (status_->text() != state_.status)
        status_->setText(state_.status);
}

void WriteForm::PickName() {
    Pull();
    const QList<QListWidgetItem*> selected = names_->selectedItems();
    const int row = selected.isEmpty() ? -1 : names_->row(selected.first());
    const PickOutcome outcome = ricorne::PickName(state_, row);
    if (outcome == PickOutcome::NoSelection) {
        Dialogs().Message(QString(), NothingSelectedText(), MessageIcon::Warning, MessageButtons::Ok);
        names_->setFocus();
        return;
    }
    Push();
}

void WriteForm::ShowHelpFor(QObject* control) {
    const auto it = helpTargets_.find(control);
    if (it == helpTargets_.end())
        return;
    const QString text = FromCrLf(ComposeHelpText(it->second));
    if (BoxText(*help_) != text)
        help_->setPlainText(text);
    help_->show();
    help_->raise();
}

void WriteForm::HideHelp() {
    help_->hide();
}

bool WriteForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == to_ && RefusedByTypingLimit(event))
        return true;
    switch (event->type()) {
    case QEvent::Enter:
        if (helpTargets_.count(watched))
            ShowHelpFor(watched);
        else if (watched == body_->viewport() || watched == namePanel_)
            HideHelp();
        break;
    case QEvent::MouseMove:
        if (watched == namePanel_)
            HideHelp();
        break;
    case QEvent::FocusOut:
        if (watched == combo_ || (combo_->lineEdit() && watched == combo_->lineEdit())) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Opening the drop-down or switching to another program is not leaving the chooser.
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                Apply(LeaveOpeningLine);
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool WriteForm::RefusedByTypingLimit(QEvent* event) const {
    QString typed;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste))
            return false;
        typed = key->text();
        for (const QChar c : typed)
            if (!c.isPrint())
                return false; // editing keys and shortcuts
    } else if (event->type() == QEvent::InputMethod) {
        typed = static_cast<QInputMethodEvent*>(event)->commitString();
    }
    if (typed.isEmpty())
        return false;
    const qsizetype kept = to_->text().size() - to_->selectedText().size();
    return kept + typed.size() > kRecipientLength;
}

void WriteForm::mouseMoveEvent(QMouseEvent* event) {
    HideHelp();
    QWidget::mouseMoveEvent(event);
}

void WriteForm::enterEvent(QEnterEvent* event) {
    HideHelp();
    QWidget::enterEvent(event);
}

void WriteForm::closeEvent(QCloseEvent* event) {
    if (sending_) {
        // A send runs to its end; the window closes itself when it is done.
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace ricorne
