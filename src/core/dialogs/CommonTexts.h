// Messages more than one subsystem shows, defined once.
#pragma once

#include <QString>

namespace ricorne {

QString ErrorTitle();          // "エラー": the title of a failure's box
QString NothingSelectedText(); // "データが選択されていません": a command that needs a picked row

// The check before a send (compose and reply).
QString SendCheckTitle();                       // "送信前の確認"
QString SendCheckIntro();                       // what to do: tick every recipient
QString SendCheckRecipientsCaption();           // "宛先(&R)"
QString SendCheckOtherDomainNote();             // beside a recipient outside the sender's domain
QString SendCheckSubjectText(const QString& s); // "件名: …", or that there is none
QString SendCheckAttachmentsCaption();          // "添付ファイル"
QString SendCheckNoAttachments();               // "添付ファイルはありません。"
QString SendCheckDelayNote(int seconds);        // the wait after 送信, and how to stop it
QString SendCheckCountdown(int seconds);        // "あと 5 秒で送信します。"
QString SendCheckSendCaption();                 // "送信(&S)"
QString SendCheckCancelCaption();               // "キャンセル"
QString SendCheckStopCaption();                 // "送信を止める(&T)"

} // namespace ricorne
