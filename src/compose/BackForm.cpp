#include "compose/BackForm.h"

#include "compose/AttachmentControls.h"
#include "compose/ComposeTexts.h"
#include "compose/WriteFormLayout.h"
#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "core/text/Text.h"
#include "shell/AccessibleNames.h"
#include "shell/EscapeCloses.h"
#include "shell/LongOperation.h"
#include "shell/TextBoxAdapter.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>

namespace ricorne {

namespace {

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, const QRect& box) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setGeometry(box);
    return button;
}

QLabel* MakeCaption(QWidget* parent, const QString& text, int top) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(TwipsRect(120, top, 900, layout::kBackFieldHeight));
    return label;
}

} // namespace

BackForm::BackForm(QWidget* parent) : QWidget(parent) {
    using namespace layout;
    setObjectName(QStringLiteral("BackForm"));
    setWindowTitle(BackFormCaption());

    send_ = MakeButton(this, QStringLiteral("Command2"), QStringLiteral(u"送信"),
                       TwipsRect(120, kBackButtonRow, 1215, 375));
    stop_ = MakeButton(this, QStringLiteral("Command3"), QStringLiteral(u"送信中止"),
                       TwipsRect(1440, kBackButtonRow, 1215, 375));
    paste_ = MakeButton(this, QStringLiteral("Command4"), QStringLiteral(u"本文に貼付"),
                        TwipsRect(2760, kBackButtonRow, 1455, 375));

    toCaption_ = MakeCaption(this, QStringLiteral(u"宛先"), kBackRecipientRow);
    to_ = new QLineEdit(this);
    to_->setObjectName(QStringLiteral("ToText"));
    subjectCaption_ = MakeCaption(this, QStringLiteral(u"題名"), kBackSubjectRow);
    subject_ = new QLineEdit(this);
    subject_->setObjectName(QStringLiteral("SubjectText"));
    attachCaption_ = MakeCaption(this, QStringLiteral(u"添付File"), kBackAttachRow);
    attachments_ = new AttachmentControls(this, QStringLiteral(u"添付"), state_.attachments);

    body_ = new QTextEdit(this);
    body_->setTabChangesFocus(true); // Tab must lead on, or the keyboard is caught here
    body_->setObjectName(QStringLiteral("BodyText"));
    body_->setAcceptRichText(false);
    body_->setFont(QFont(QStringLiteral(u"ＭＳ Ｐゴシック"), 9));

    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(true);

    to_->setGeometry(TwipsRect(layout::kBackFieldLeft, kBackRecipientRow, 6300, layout::kBackFieldHeight));
    subject_->setGeometry(TwipsRect(layout::kBackFieldLeft, kBackSubjectRow, 6300, layout::kBackFieldHeight));
    attachments_->AttachText()->setGeometry(
        TwipsRect(layout::kBackFieldLeft, kBackAttachRow, kBackAttachTextWidth, layout::kBackFieldHeight));
    body_->setGeometry(TwipsRect(layout::kBackBodyLeft, kBackBodyTop, 8900, 4800));

    connect(send_, &QPushButton::clicked, this, [this] { Send(); });
    connect(stop_, &QPushButton::clicked, this, [this] { close(); });
    connect(paste_, &QPushButton::clicked, this, [this] { PasteQuoted(); });

    attachments_->Rows()->hide();
    NameControls(*this, ComposeAccessibleName);
    resize(TwipsSize(kBackFormWidth, kBackFormHeight));
    CloseOnEscape(*this, [this] {
        Pull();
        return state_.body.isEmpty() || Dialogs().Confirm(CloseUnsentQuestion());
    });
}

BackForm::~BackForm() = default;

void BackForm::Load() {
    state_.attachments = AttachmentList{};
    state_.attachments.addEnabled = true; // all three buttons start enabled here
    QLineEdit* attachText = attachments_->AttachText();
    attachText->resize(Twips(layout::kBackAttachTextWidth), attachText->height());
    Push();
}

void BackForm::Fill(const QString& recipient, const QString& subject, const QString& body) {
    Pull();
    state_.recipient = recipient;
    state_.subject = subject;
    state_.body = ToCrLf(body);
    Push();
}

const ReplyState& BackForm::State() {
    Pull();
    return state_;
}

void BackForm::SetFileChooser(FileChooser chooser) {
    attachments_->SetFileChooser(std::move(chooser));
}

void BackForm::Pull() {
    state_.recipient = to_->text();
    state_.subject = subject_->text();
    state_.body = ToCrLf(BoxText(*body_));
}

void BackForm::Push() {
    if (to_->text() != state_.recipient)
        to_->setText(state_.recipient);
    if (subject_->text() != state_.subject)
        subject_->setText(state_.subject);
    const QString body = FromCrLf(state_.body);
    if (BoxText(*body_) != body)
        body_->setPlainText(body);
    attachments_->Push();
}

void BackForm::Send() {
    if (sending_ || LongOperation::Running())
        return;
    Pull();
    bool sent = false;
    {
        const LongOperation running;
        sending_ = true;
        sent = SendReply(state_, mail_);
        sending_ = false;
    }
    // A reply that did not go out stays in the window, so nothing the user wrote is lost.
    if (sent)
        close();
}

void BackForm::PasteQuoted() {
    // The clipboard is left holding the whole reply text; the body gets it trimmed, caret at
    // its start as after any replacement of the whole text.
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString reply = FromCrLf(ReplyPasteText(clipboard->text(), QuotedReceivedBody()));
    clipboard->clear();
    clipboard->setText(reply);
    EditTextBox(*body_, [&reply](TextBox& box) { box = TextBox(Trim(reply)); });
}

void BackForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QLineEdit* attachText = attachments_->AttachText();
    const int fieldHeights = ToTwips(to_->height() + subject_->height() + attachText->height());
    const ReplyLayout l =
        ComputeReplyLayout(ToTwips(width()), ToTwips(height()), fieldHeights, ToTwips(body_->height()));

    body_->resize(Twips(l.bodyWidth), Twips(l.bodyHeight));
    to_->resize(Twips(l.recipientWidth), to_->height());
    subject_->resize(Twips(l.subjectWidth), subject_->height());
    attachText->resize(Twips(l.attachWidth), attachText->height());
    const int row = Twips(layout::kBackAttachRow);
    const int rowHeight = Twips(layout::kBackFieldHeight);
    // The buttons' lefts count from the start of the row; the list text starts at layout::kBackFieldLeft.
    attachments_->AttachButton()->setGeometry(Twips(l.attachButtonLeft), row, Twips(780), rowHeight);
    attachments_->AddButton()->setGeometry(Twips(l.addButtonLeft), row, Twips(840), rowHeight);
    attachments_->CancelButton()->setGeometry(Twips(l.cancelButtonLeft), row, Twips(900), rowHeight);
    attachments_->Rows()->setGeometry(attachText->x(), attachText->y() + attachText->height(),
                                      attachText->width(), Twips(1860));
    statusBar_->setGeometry(0, height() - Twips(layout::kStatusBarHeight), width(),
                            Twips(layout::kStatusBarHeight));
}

void BackForm::closeEvent(QCloseEvent* event) {
    if (sending_) {
        event->ignore();
        return;
    }
    body_->clear();
    state_.body.clear();
    QWidget::closeEvent(event);
}

} // namespace ricorne
