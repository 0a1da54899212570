#include "core/dialogs/OutgoingCheck.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace ricorne {

namespace {

QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text.at(begin) == u' ' || text.at(begin) == u'\t'))
        ++begin;
    while (end > begin && (text.at(end - 1) == u' ' || text.at(end - 1) == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

QStringList SplitRecipients(const QString& field) {
    QStringList addresses;
    for (const QString& piece : field.split(QRegularExpression(QStringLiteral("[,;]")))) {
        const QString address = TrimSpaces(piece);
        if (!address.isEmpty())
            addresses << address;
    }
    return addresses;
}

QString AddressDomain(const QString& address) {
    QString bare = address;
    // "Name <user@host>": the part in angle brackets is the address.
    const qsizetype open = bare.lastIndexOf(u'<');
    if (open >= 0) {
        const qsizetype close = bare.indexOf(u'>', open);
        bare = bare.mid(open + 1, close < 0 ? -1 : close - open - 1);
    }
    const qsizetype at = bare.lastIndexOf(u'@');
    if (at < 0)
        return {};
    return TrimSpaces(bare.mid(at + 1)).toLower();
}

bool IsOtherDomain(const QString& address, const QString& sender) {
    const QString theirs = AddressDomain(address);
    const QString ours = AddressDomain(sender);
    return !theirs.isEmpty() && !ours.isEmpty() && theirs != ours;
}

OutgoingMail DescribeOutgoing(const QString& sender, const QVector<OutgoingRecipient>& recipients,
                              const QString& subject, const QStringList& attachmentPaths, int delaySeconds) {
    OutgoingMail mail;
    mail.sender = sender;
    mail.subject = subject;
    mail.delaySeconds = delaySeconds;
    for (OutgoingRecipient recipient : recipients) {
        recipient.otherDomain = IsOtherDomain(recipient.address, sender);
        mail.recipients << recipient;
    }
    for (const QString& path : attachmentPaths) {
        const QFileInfo file(path);
        mail.attachments << OutgoingAttachment{file.fileName(), file.isFile() ? file.size() : -1};
    }
    return mail;
}

QString AttachmentSizeText(qint64 bytes) {
    if (bytes < 0)
        return QStringLiteral(u"読めません");
    if (bytes < 1024)
        return QStringLiteral(u"%1 バイト").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
}

} // namespace ricorne
