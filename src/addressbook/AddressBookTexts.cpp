#include "addressbook/AddressBookTexts.h"

#include "core/text/Text.h"

#include <QHash>

namespace ricorne {

QString FriendFormCaption() {
    return QStringLiteral(u"アドレス帳");
}
QString FriendNoteText() {
    return QStringLiteral(u"名刺は新規作成で宛先、１発挿入した際の確認用として使用します。");
}

QString AddressSelectedStatus() {
    return QStringLiteral(u"\u3000選択しました。");
}
QString AddressRegisteredStatus() {
    return QStringLiteral(u"\u3000登録が完了しました。");
}
QString AddressDeletedStatus() {
    return QStringLiteral(u"削除が完了しました");
}

QString NameCardNoAddressText() {
    return QStringLiteral(u"メールアドレスが入力されていません");
}
QString NameCardMissingText() {
    return QStringLiteral(u"名詞が入力されていません");
}
QString ConfirmDeleteText() {
    return QStringLiteral(u"選択された（行、青色）データを削除します。よろしいですか");
}
QString AddressBookFullText() {
    return QStringLiteral(u"アドレス帳の登録件数が上限の 32767 件に達しているため、これ以上登録できません。"
                          u"不要なメールアドレスを削除してから、もう一度登録してください。");
}
QString AddressRegisterFailedText() {
    return QStringLiteral(
        u"アドレス帳に登録できませんでした（ディスクの空きが足りないか、書き込みに失敗しました）。");
}
QString AddressRowUnreadableText() {
    return QStringLiteral(u"選択されたデータを読み込めませんでした。一覧を読み直します。");
}
QString AddressDeleteFailedText() {
    return QStringLiteral(u"削除できませんでした（ディスクの空きが足りないか、書き込みに失敗しました）。"
                          u"アドレス帳は削除する前のままです。");
}

QString AddressListChangedText() {
    return QStringLiteral(u"アドレス帳が別のプログラムによって変更されていたため、削除しませんでした。"
                          u"一覧を読み直しましたので、もう一度選んでください。");
}
QString AddressBookBeyondLimitText(qint64 total) {
    return QStringLiteral(u"アドレス帳には %1 件のデータがあります。一覧に出せるのは先頭の 32767 件までです。"
                          u"残りの %2 件は削除されずにファイルに残っています。")
        .arg(total)
        .arg(total - 32767);
}
QString AddressListUnreadableText(const QString& path) {
    return QStringLiteral(
               u"アドレス帳のファイル「%1」を読み込めません（フォルダーがあるか、読み取りに失敗しました）。")
        .arg(path);
}
QString ConfirmUnkeptCharactersText(const QStringList& characters) {
    return QStringLiteral(u"アドレス帳に保存できない文字があります: %1\r\n"
                          u"これらの文字は「?」として登録されます。登録しますか？")
        .arg(UnkeptCharactersShown(characters));
}

QString FriendHelpText(const QString& controlName) {
    if (controlName == u"Command1")
        return QStringLiteral(u"コピーして来たメールアドレスを貼り付けます。");
    if (controlName == u"Command3")
        return QStringLiteral(
            u"登録を行います。これにより新規作成でのメールアドレスの一発入力が可能になります。");
    if (controlName == u"Command4")
        return QStringLiteral(u"不要になったメールアドレスを削除します。");
    if (controlName == u"Command38")
        return QStringLiteral(u"名詞の挿入を行います。例えばメールアドレスが taro@example.jp で、名刺に"
                              u"日本太郎と入力して挿入すると、日本太郎<taro@example.jp> として登録され、"
                              u"受け取った側でも宛先が 日本太郎<taro@example.jp> の名刺の形で表示されます。"
                              u"\r\n\r\n必要なければ挿入する必要はありません。");
    return {};
}

QString FriendAccessibleName(const QString& controlName) {
    static const QHash<QString, QString> names{
        {QStringLiteral("Text4"), QStringLiteral(u"メールアドレス")},
        {QStringLiteral("Text2"), QStringLiteral(u"名前")},
        {QStringLiteral("Text50"), QStringLiteral(u"名刺")},
        {QStringLiteral("Text3"), QStringLiteral(u"登録件数")},
        {QStringLiteral("MailListView"), QStringLiteral(u"アドレス一覧")},
        {QStringLiteral("Text5"), QStringLiteral(u"ヘルプ")},
    };
    return names.value(controlName);
}

} // namespace ricorne
