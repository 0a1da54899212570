#include "mainwindow/MainWindowTexts.h"

#include "mainwindow/MainFormLayout.h"
#include "mainwindow/ReelArt.h"

#include <QStringList>

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

QString NavLabelSpokenName(NavLabel id) {
    switch (id) {
    case NavLabel::HelpPage:
        return QStringLiteral(u"ホームページ");
    case NavLabel::Minimise:
        return QStringLiteral(u"最小化");
    default:
        // The caption without the blanks that place it on the cabinet.
        return NavLabelCaption(id).trimmed();
    }
}
QString HelpBoxName() {
    return QStringLiteral(u"ヘルプ");
}
QString ClockBoxName() {
    return QStringLiteral(u"時計");
}
QString CoinSpokenName(int coins) {
    return QStringLiteral(u"コイン %1枚").arg(coins);
}
QString LeverName() {
    return QStringLiteral(u"レバー");
}
QString StopName(int reel) {
    static const char16_t* names[3] = {u"左ストップ", u"中ストップ", u"右ストップ"};
    return QString::fromUtf16(names[qBound(0, reel, 2)]);
}
QString StartButtonName() {
    return QStringLiteral(u"スタート");
}
QString ReelSymbolName(ReelSymbol symbol) {
    switch (symbol) {
    case ReelSymbol::RedSeven:
        return QStringLiteral(u"赤7");
    case ReelSymbol::BlueSeven:
        return QStringLiteral(u"青7");
    case ReelSymbol::Bar:
        return QStringLiteral(u"BAR");
    case ReelSymbol::Cherry:
        return QStringLiteral(u"チェリー");
    case ReelSymbol::Bell:
        return QStringLiteral(u"ベル");
    case ReelSymbol::Watermelon:
        return QStringLiteral(u"スイカ");
    case ReelSymbol::Replay:
        return QStringLiteral(u"リプレイ");
    case ReelSymbol::Lemon:
        return QStringLiteral(u"レモン");
    }
    return {};
}
QString ReelSpokenName(int reel, const QList<ReelSymbol>& shown) {
    static const char16_t* names[3] = {u"左リール", u"中リール", u"右リール"};
    const QString name = QString::fromUtf16(names[qBound(0, reel, 2)]);
    if (shown.isEmpty())
        return name;
    QStringList symbols;
    for (ReelSymbol s : shown)
        symbols << ReelSymbolName(s);
    return name + u' ' + symbols.join(u'・');
}

} // namespace ricorne
