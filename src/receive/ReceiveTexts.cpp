#include "receive/ReceiveTexts.h"

namespace ricorne {

QString ReceivingStatus() {
    return QStringLiteral(u"メールを受信します。");
}
QString CheckingStatus() {
    return QStringLiteral(u"メールのチェックをしています。");
}
QString AttachmentMailStatus() {
    return QStringLiteral(u"添付ファイルメール。");
}
QString NoNewMailStatus() {
    return QStringLiteral(u"新着メール無し。");
}
QString NewMailStatus() {
    return QStringLiteral(u"新着メール有り。");
}
QString ReceivingProgressStatus(int k, int count) {
    return QStringLiteral(u"メールを受信しています… %1/%2").arg(k).arg(count);
}
QString AttachmentNotice() {
    return QStringLiteral(u"♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪");
}
QString CannotOpenAttachmentText() {
    return QStringLiteral(u"添付ファイルをオープンできません");
}
QString SplitMailIncompleteText() {
    return QStringLiteral(u"分割されたメールが全て揃っていません");
}
QString StoreFullText() {
    return QStringLiteral(
        u"受信したメールの保存件数が上限の 32767 件に達しているため、これ以上保存できません。"
        u"このメールとそれより後のメールはサーバーに残してあります。"
        u"受信履歴から不要なメールを削除してから、もう一度受信してください。");
}
QString StoreWriteFailedText() {
    return QStringLiteral(
        u"受信したメールを保存できませんでした（ディスクの空きが足りないか、書き込みに失敗しました）。"
        u"このメールとそれより後のメールはサーバーに残してあります。");
}
QString MailKeptOnServerText() {
    return QStringLiteral(u"このメールとそれより後のメールはサーバーに残してあります。");
}
QString CheckFailedStatus() {
    return QStringLiteral(u"メールのチェックに失敗しました。");
}
QString StoreFlushFailedText() {
    return QStringLiteral(u"受信したメールをディスクに書き込めませんでした。"
                          u"今回受信したメールはサーバーから削除していません。");
}

} // namespace ricorne
