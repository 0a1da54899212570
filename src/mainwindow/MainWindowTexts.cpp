#include "mainwindow/MainWindowTexts.h"

#include "mainwindow/MainFormLayout.h"

namespace ricorne {

QString NavLabelCaption(NavLabel id) {
    switch (id) {
    case NavLabel::Compose:
        return QStringLiteral(u"   新規作成");
    case NavLabel::Receive:
        return QStringLiteral(u"  　　受信");
    case NavLabel::ReceivedHistory:
        return QStringLiteral(u"  着信履歴");
    case NavLabel::SentHistory:
        return QStringLiteral(u"  送信履歴");
    case NavLabel::AddressBook:
        return QStringLiteral(u"  アドレス帳");
    case NavLabel::Settings:
        return QStringLiteral(u"     設定");
    case NavLabel::HelpPage:
        return QStringLiteral(u"       HP");
    case NavLabel::Minimise:
        return QStringLiteral(u"     Small");
    }
    return {};
}

QString NavLabelHelp(NavLabel id) {
    switch (id) {
    case NavLabel::Compose:
        return QStringLiteral(u"メールの新規作成・送信を行います。");
    case NavLabel::Receive:
        return QStringLiteral(u"新着メールの受信を行います。");
    case NavLabel::ReceivedHistory:
        return QStringLiteral(u"受信したメールを見ます。");
    case NavLabel::SentHistory:
        return QStringLiteral(
            u"送信したメールを見ます。送信したかどうか自信のない時にここで確認して下さい。");
    case NavLabel::AddressBook:
        return QStringLiteral(u"メールアドレスを一発クリックで入力するための登録を行います。");
    case NavLabel::Settings:
        return QStringLiteral(u"ID,PASS,サーバーの設定を行います。");
    case NavLabel::HelpPage:
        return QStringLiteral(u"メーラー専門店、作者のホームページです。");
    case NavLabel::Minimise:
        return QStringLiteral(u"フォームを最小化します。");
    }
    return {};
}

QString MainFormCaption() {
    return QStringLiteral(u"楽し！ニギヤカ！リコルネ ");
}
QString StatusLabelHelp() {
    return QStringLiteral(u"受信時、新着メールの有無を表示します。");
}
QString VersionText() {
    return QStringLiteral("Ver 1.31");
}
QString VersionFontFamily() {
    return QStringLiteral("Book Antiqua");
}
QString CoinHelp() {
    return QStringLiteral(
        u"コイン枚数です。役がなくても「オマケ」で出す事も・・・昔の手動のパチンコではよくあったものです。");
}
QString LeverHelp() {
    return QStringLiteral(u"スロットをスタートさせます。");
}
QString CabinetBanner() {
    return QStringLiteral(u"★ 楽し！ニギヤカ！ ★");
}

} // namespace ricorne
