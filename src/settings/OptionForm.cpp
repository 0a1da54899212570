#include "settings/OptionForm.h"

#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "settings/AccountDialogLogic.h"
#include "settings/SettingsTexts.h"
#include "shell/LongOperation.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace ricorne {

OptionForm::OptionForm(QWidget* parent)
    : SettingsForm(QStringLiteral(u"サーバー設定"), 2892, 4560, Qt::WindowStaysOnTopHint, parent) {
    setObjectName(QStringLiteral("OptionForm"));
    QLabel* label1 =
        AddLabel(QStringLiteral("Label1"), QStringLiteral(u"SMTPサーバー名(&S)"), 120, 120, 1575, 195);
    smtpText_ = AddTextBox(QStringLiteral("SmtpText"), 120, 360, 2652, 264);
    QLabel* label2 =
        AddLabel(QStringLiteral("Label2"), QStringLiteral(u"POP3サーバー名(&P)"), 120, 720, 1635, 195);
    pop3Text_ = AddTextBox(QStringLiteral("Pop3Text"), 120, 960, 2652, 264);
    QLabel* label3 =
        AddLabel(QStringLiteral("Label3"), QStringLiteral(u"メールアドレス(&M)"), 120, 1320, 1635, 195);
    mailText_ = AddTextBox(QStringLiteral("MailText"), 120, 1560, 2652, 264);
    // A label's access key moves to the box below it.
    label1->setBuddy(smtpText_);
    label2->setBuddy(pop3Text_);
    label3->setBuddy(mailText_);

    apopCheck_ = new QCheckBox(QStringLiteral(u"APOP を使用する(&A)"), this);
    apopCheck_->setObjectName(QStringLiteral("ApopCheck"));
    apopCheck_->setGeometry(TwipsRect(660, 2040, 2172, 252));

    okCommand_ = AddButton(QStringLiteral("OkCommand"), QStringLiteral(u"設定"), 660, 2520, 972, 372);
    cancelCommand_ =
        AddButton(QStringLiteral("CancelCommand"), QStringLiteral(u"中止"), 1860, 2520, 912, 372);
    SetCancelButton(cancelCommand_);
    testCommand_ = AddButton(QStringLiteral("TestCommand"), TestConnectionCaption(), 660, 3012, 2112, 372);
    noteLabel_ = AddLabel(QStringLiteral("NoteLabel"), ProviderHintText(), 120, 3480, 2652, 960);
    noteLabel_->setWordWrap(true);
    noteLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(mailText_, &QLineEdit::textEdited, this, &OptionForm::AddressEdited);
    connect(testCommand_, &QPushButton::clicked, this, &OptionForm::TestConnection);
    connect(okCommand_, &QPushButton::clicked, this, &OptionForm::Confirm);
    connect(cancelCommand_, &QPushButton::clicked, this, &QWidget::close);
}

void OptionForm::Load() {
    const ServerValues values = OpenServerValues();
    smtpText_->setText(values.smtp);
    pop3Text_->setText(values.pop3);
    mailText_->setText(values.address);
    apopCheck_->setChecked(values.apop);
}

void OptionForm::AddressEdited(const QString& address) {
    const ServerSuggestion suggestion = SuggestServers(address);
    // Only boxes that are empty, or still show the last suggestion, take a new one.
    const bool pop3Free = pop3Text_->text().isEmpty() || pop3Text_->text() == filledPop3_;
    const bool smtpFree = smtpText_->text().isEmpty() || smtpText_->text() == filledSmtp_;
    if (pop3Free) {
        pop3Text_->setText(suggestion.pop3);
        filledPop3_ = suggestion.pop3;
    }
    if (smtpFree) {
        smtpText_->setText(suggestion.smtp);
        filledSmtp_ = suggestion.smtp;
    }
    const QString note = pop3Free || smtpFree ? suggestion.note : QString();
    noteLabel_->setText(note.isEmpty() ? ProviderHintText() : note);
}

void OptionForm::TestConnection() {
    if (LongOperation::Running())
        return;
    const ServerValues values{smtpText_->text(), pop3Text_->text(), mailText_->text(),
                              apopCheck_->isChecked()};
    ServerTestResult result;
    {
        LongOperation running;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        result = TestServerValues(values);
        QApplication::restoreOverrideCursor();
    }
    if (!result.refusal.isEmpty()) {
        Dialogs().Message(TestConnectionTitle(), result.refusal, MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    // What the check found for a bare host shows in the box, so saving keeps it.
    if (!result.report.pop3.resolved.isEmpty() && pop3Text_->text() == values.pop3)
        pop3Text_->setText(result.report.pop3.resolved);
    if (!result.report.smtp.resolved.isEmpty() && smtpText_->text() == values.smtp)
        smtpText_->setText(result.report.smtp.resolved);
    const bool ok = result.report.Ok();
    const QString text =
        ok ? TestPassedText() + QStringLiteral("\n\n") + result.report.Text() : result.report.Text();
    Dialogs().Message(TestConnectionTitle(), text, ok ? MessageIcon::Information : MessageIcon::Warning,
                      MessageButtons::Ok);
}

void OptionForm::Confirm() {
    const ServerValues values{smtpText_->text(), pop3Text_->text(), mailText_->text(),
                              apopCheck_->isChecked()};
    const QString refusal = ServerRefusal(values);
    if (!refusal.isEmpty()) {
        Dialogs().Message(QString(), refusal, MessageIcon::Warning, MessageButtons::Ok);
        return; // the dialog stays open with what was typed
    }
    const platform::ReplaceResult saved = ApplyServerValues(values);
    QPointer<OptionForm> self(this);
    if (!saved)
        Dialogs().Notice(ServerSettingsSaveFailedText(saved.Text()));
    if (self)
        close();
}

} // namespace ricorne
