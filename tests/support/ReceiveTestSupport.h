// Shared pieces of the mail check tests: a temporary AppDir with an account, a record view and
// hooks that record what the check showed, the received store read back, and test mails.
#pragma once

#include "TempAppDir.h"
#include "core/mail/NMail.h"
#include "history/HeadlessHistoryView.h"
#include "receive/CheckMail.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ricorne::testing {

// Holds the staged texts with blanks around them, as a view whose boxes were padded would: the
// check must store them trimmed.
class PaddedRecordView : public HeadlessHistoryView {
public:
    void SetRecordView(const QString& subject, const QString& sender, const QString& date,
                       const QString& body) override;
    QString SubjectText() const override { return pad_ + HeadlessHistoryView::SubjectText() + pad_; }
    QString SenderText() const override { return pad_ + HeadlessHistoryView::SenderText() + pad_; }
    QString DateText() const override { return pad_ + HeadlessHistoryView::DateText() + pad_; }
    QString BodyText() const override { return pad_ + HeadlessHistoryView::BodyText() + pad_; }
    int stagings = 0;

private:
    QString pad_ = QStringLiteral("  ");
};

struct ShownMessage {
    QString title;
    QString text;
};

// Records everything one check shows.
struct CheckRecorder {
    PaddedRecordView view;
    QStringList statuses;
    QVector<ShownMessage> messages;
    int leverPulls = 0;
    QStringList dialogOpenings; // "id/password"
    CheckMailHooks Hooks(NMail& mail);
    // Runs one check, its message boxes answered and recorded in messages.
    CheckMailResult Run(NMail& mail);
};

struct StoredMail {
    int n = 0;
    int live = 0;
    QString subject, date, address, body; // trimmed
};
QVector<StoredMail> ReceivedMails();

// A temporary AppDir with the installed folders and the test CA (when the test servers run),
// and the account written on request.
class AccountAppDir : public TempAppDir {
public:
    AccountAppDir();
    bool IsValid() const { return TempAppDir::IsValid() && caInstalled_; }
    // klmail.ini (through SaveServerSettings) and AccountSettings.
    void SetServer(const QString& pop3, int apop = 0);
    void SetCredentials(const QString& id, const QString& password);

private:
    bool caInstalled_ = true;
};

// Mails as a server holds them (CR LF line ends).
QByteArray TextMail(const QString& subject, const QString& body, int serial = 1);
QByteArray AttachmentMail(const QString& subject, const QString& body, const QString& fileName,
                          const QByteArray& content);
// One attachment per (name, content), in this order; the body is the subject.
QByteArray AttachmentsMail(const QString& subject, const QList<QPair<QString, QByteArray>>& files);

} // namespace ricorne::testing
