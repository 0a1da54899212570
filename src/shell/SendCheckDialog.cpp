#include "shell/SendCheckDialog.h"

#include "core/dialogs/CommonTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace ricorne {

namespace {

// The address with its domain marked: dark red, bold, on a pale yellow ground, so it shows
// without relying on colour alone.
QString MarkedAddress(const OutgoingRecipient& recipient) {
    const QString& raw = recipient.address;
    QString address = raw.toHtmlEscaped();
    const qsizetype at = raw.lastIndexOf(u'@');
    if (recipient.otherDomain && at >= 0) {
        // Only the domain itself: not a closing bracket of "Name <user@host>" after it.
        qsizetype end = raw.indexOf(u'>', at);
        if (end < 0)
            end = raw.size();
        address = raw.left(at + 1).toHtmlEscaped() +
                  QStringLiteral("<b style=\"color:#a00000;background:#fff0a0\">") +
                  raw.mid(at + 1, end - at - 1).toHtmlEscaped() + QStringLiteral("</b>") +
                  raw.mid(end).toHtmlEscaped();
    }
    if (!recipient.name.isEmpty())
        address = recipient.name.toHtmlEscaped() + QStringLiteral(" &lt;") + address + QStringLiteral("&gt;");
    if (recipient.otherDomain)
        address += QStringLiteral(" ") + SendCheckOtherDomainNote().toHtmlEscaped();
    return address;
}

QString SpokenRecipient(const OutgoingRecipient& recipient) {
    QString text = recipient.name.isEmpty()
                       ? recipient.address
                       : recipient.name + QStringLiteral(" <") + recipient.address + QStringLiteral(">");
    if (recipient.otherDomain)
        text += SendCheckOtherDomainNote();
    return text;
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

SendCheckDialog::SendCheckDialog(const OutgoingMail& mail, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SendCheckDialog"));
    setWindowTitle(SendCheckTitle());
    delay_ = mail.delaySeconds;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PlainLabel(SendCheckIntro(), this));

    auto* recipients = new QGroupBox(this);
    auto* recipientsLayout = new QVBoxLayout(recipients);
    auto* caption = new QLabel(SendCheckRecipientsCaption(), recipients);
    recipientsLayout->addWidget(caption);
    auto* scroll = new QScrollArea(recipients);
    // Made inside the scroll area, so the tick boxes join the window's Tab chain.
    auto* list = new QWidget(scroll->viewport());
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    for (const OutgoingRecipient& recipient : mail.recipients) {
        auto* row = new QHBoxLayout;
        auto* box = new QCheckBox(list);
        box->setAccessibleName(SpokenRecipient(recipient));
        auto* text = new QLabel(MarkedAddress(recipient), list);
        text->setTextFormat(Qt::RichText);
        text->setBuddy(box);
        row->addWidget(box);
        row->addWidget(text, 1);
        listLayout->addLayout(row);
        boxes_ << box;
        connect(box, &QCheckBox::toggled, this, &SendCheckDialog::UpdateSendButton);
    }
    listLayout->addStretch();
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to the tick boxes themselves
    // Up to about eight rows without a scroll bar; a long batch list scrolls.
    scroll->setMinimumHeight(qMin(8, qMax(1, int(mail.recipients.size()))) * (fontMetrics().height() + 8));
    recipientsLayout->addWidget(scroll);
    if (!boxes_.isEmpty())
        caption->setBuddy(boxes_.first());
    layout->addWidget(recipients, 1);

    layout->addWidget(PlainLabel(SendCheckSubjectText(mail.subject), this));
    auto* attachments = PlainLabel(SendCheckAttachmentsCaption(), this);
    layout->addWidget(attachments);
    if (mail.attachments.isEmpty())
        layout->addWidget(PlainLabel(QStringLiteral(u"　") + SendCheckNoAttachments(), this));
    for (const OutgoingAttachment& file : mail.attachments) {
        layout->addWidget(
            PlainLabel(QStringLiteral(u"　%1（%2）").arg(file.name, AttachmentSizeText(file.size)), this));
    }
    if (delay_ > 0)
        layout->addWidget(PlainLabel(SendCheckDelayNote(delay_), this));
    countdown_ = PlainLabel(QString(), this);
    countdown_->setObjectName(QStringLiteral("Countdown"));
    countdown_->hide();
    layout->addWidget(countdown_);

    auto* buttons = new QDialogButtonBox(this);
    send_ = buttons->addButton(SendCheckSendCaption(), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(SendCheckCancelCaption(), QDialogButtonBox::RejectRole);
    send_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    cancel_->setDefault(true); // Enter on a tick box must not send
    layout->addWidget(buttons);
    connect(send_, &QPushButton::clicked, this, &SendCheckDialog::StartCountdown);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &SendCheckDialog::Tick);
    UpdateSendButton();
    setMinimumWidth(fontMetrics().averageCharWidth() * 60);
}

void SendCheckDialog::done(int result) {
    timer_->stop(); // a stopped wait must never send later
    QDialog::done(result);
}

void SendCheckDialog::SetSecondLength(int milliseconds) {
    timer_->setInterval(milliseconds);
}

void SendCheckDialog::UpdateSendButton() {
    bool all = !boxes_.isEmpty();
    for (const QCheckBox* box : boxes_)
        all = all && box->isChecked();
    send_->setEnabled(all && !timer_->isActive());
}

void SendCheckDialog::StartCountdown() {
    if (delay_ <= 0) {
        accept();
        return;
    }
    for (QCheckBox* box : boxes_)
        box->setEnabled(false);
    remaining_ = delay_;
    timer_->start();
    send_->setEnabled(false);
    cancel_->setText(SendCheckStopCaption());
    cancel_->setFocus();
    countdown_->setText(SendCheckCountdown(remaining_));
    countdown_->show();
}

void SendCheckDialog::Tick() {
    if (--remaining_ > 0) {
        countdown_->setText(SendCheckCountdown(remaining_));
        return;
    }
    timer_->stop();
    accept();
}

} // namespace ricorne
