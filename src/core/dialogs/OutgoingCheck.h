// What the check before a send shows: every recipient (marked when its domain is not the
// sender's), the subject and every attachment with its size. Built by the send procedures and
// put to the user through DialogService::ConfirmOutgoing.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace ricorne {

struct OutgoingRecipient {
    QString name;    // address book name of a batch entry; empty for a typed recipient
    QString address; // as it will be sent
    bool otherDomain = false;
};

struct OutgoingAttachment {
    QString name;     // file name only
    qint64 size = -1; // bytes; -1 when the file cannot be read
};

struct OutgoingMail {
    QString sender;
    QVector<OutgoingRecipient> recipients;
    QString subject;
    QVector<OutgoingAttachment> attachments;
    int delaySeconds = 0; // the wait after the go-ahead, during which the send can be stopped
};

// The addresses of a recipient field: split at commas and semicolons, blanks around each dropped,
// empty pieces left out.
QStringList SplitRecipients(const QString& field);

// The domain of an address, lower-cased ("Name <a@B.jp>" -> "b.jp"); empty without an "@".
QString AddressDomain(const QString& address);

// A recipient counts as elsewhere when both domains are known and differ.
bool IsOtherDomain(const QString& address, const QString& sender);

// Recipients, subject, attachments (sizes read from disk) and the wait, ready to show.
OutgoingMail DescribeOutgoing(const QString& sender, const QVector<OutgoingRecipient>& recipients,
                              const QString& subject, const QStringList& attachmentPaths, int delaySeconds);

// "12 バイト", "3.4 KB", "1.2 MB"; "読めません" for a file that cannot be read.
QString AttachmentSizeText(qint64 bytes);

} // namespace ricorne
