// Texts of the mail check: its status lines, its notices and its failures.
#pragma once

#include <QString>

namespace ricorne {

QString ReceivingStatus();      // "メールを受信します。", shown by the receive label before a check
QString CheckingStatus();       // "メールのチェックをしています。"
QString AttachmentMailStatus(); // "添付ファイルメール。"
QString NoNewMailStatus();      // "新着メール無し。"
QString NewMailStatus();        // "新着メール有り。"
// While mail k of count is received: "メールを受信しています… k/count".
QString ReceivingProgressStatus(int k, int count);
QString AttachmentNotice();         // the line appended to the body of a mail with attachments
QString CannotOpenAttachmentText(); // "添付ファイルをオープンできません"
QString SplitMailIncompleteText();  // "分割されたメールが全て揃っていません"
QString StoreFullText();            // the received store holds the most records it can
QString StoreWriteFailedText();     // a record could not be written
QString StoreFlushFailedText();     // the store could not be forced to disk
QString CheckFailedStatus();        // the status after a failed check that stored nothing
QString MailKeptOnServerText();     // the line saying that mail and the later ones stayed

} // namespace ricorne
