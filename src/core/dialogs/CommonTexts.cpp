#include "core/dialogs/CommonTexts.h"

namespace ricorne {

QString ErrorTitle() {
    return QStringLiteral(u"エラー");
}

QString NothingSelectedText() {
    return QStringLiteral(u"データが選択されていません");
}

QString SendCheckTitle() {
    return QStringLiteral(u"送信前の確認");
}

QString SendCheckIntro() {
    return QStringLiteral(u"宛先をひとつずつ確かめて、すべてにチェックを付けて下さい。");
}

QString SendCheckRecipientsCaption() {
    return QStringLiteral(u"宛先(&R)");
}

QString SendCheckOtherDomainNote() {
    return QStringLiteral(u"（差出人と違うドメイン）");
}

QString SendCheckSubjectText(const QString& subject) {
    return subject.isEmpty() ? QStringLiteral(u"件名: （なし）") : QStringLiteral(u"件名: ") + subject;
}

QString SendCheckAttachmentsCaption() {
    return QStringLiteral(u"添付ファイル");
}

QString SendCheckNoAttachments() {
    return QStringLiteral(u"添付ファイルはありません。");
}

QString SendCheckDelayNote(int seconds) {
    return QStringLiteral(u"「送信」の %1 秒後に送信します。それまでは「送信を止める」で止められます。")
        .arg(seconds);
}

QString SendCheckCountdown(int seconds) {
    return QStringLiteral(u"あと %1 秒で送信します。").arg(seconds);
}

QString SendCheckSendCaption() {
    return QStringLiteral(u"送信(&S)");
}

QString SendCheckCancelCaption() {
    return QStringLiteral(u"キャンセル");
}

QString SendCheckStopCaption() {
    return QStringLiteral(u"送信を止める(&T)");
}

} // namespace ricorne
