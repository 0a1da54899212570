#include "mainwindow/MainFormLayout.h"

namespace ricorne {

const std::vector<NavLabelLayout>& NavLabels() {
    static const std::vector<NavLabelLayout> labels = {
        {NavLabel::Compose,
         QStringLiteral("Label5"),
         QStringLiteral(u"   新規作成"),
         {720, 4000, 1095, 170},
         QStringLiteral(u"メールの新規作成・送信を行います。"),
         true},
        {NavLabel::Receive,
         QStringLiteral("Label6"),
         QStringLiteral(u"  　　受信"),
         {720, 4280, 1095, 170},
         QStringLiteral(u"新着メールの受信を行います。"),
         true},
        {NavLabel::ReceivedHistory,
         QStringLiteral("Label7"),
         QStringLiteral(u"  着信履歴"),
         {780, 4580, 1095, 165},
         QStringLiteral(u"受信したメールを見ます。"),
         false},
        {NavLabel::SentHistory,
         QStringLiteral("Label8"),
         QStringLiteral(u"  送信履歴"),
         {740, 4880, 1095, 165},
         QStringLiteral(u"送信したメールを見ます。送信したかどうか自信のない時にここで確認して下さい。"),
         false},
        {NavLabel::AddressBook,
         QStringLiteral("Label9"),
         QStringLiteral(u"  アドレス帳"),
         {2160, 4000, 1095, 165},
         QStringLiteral(u"メールアドレスを一発クリックで入力するための登録を行います。"),
         true},
        {NavLabel::Settings,
         QStringLiteral("Label10"),
         QStringLiteral(u"     設定"),
         {2160, 4280, 1095, 165},
         QStringLiteral(u"ID,PASS,サーバーの設定を行います。"),
         true},
        {NavLabel::HelpPage,
         QStringLiteral("Label11"),
         QStringLiteral(u"       HP"),
         {2100, 4560, 1095, 165},
         QStringLiteral(u"メーラー専門店、作者のホームページです。"),
         true},
        {NavLabel::Minimise,
         QStringLiteral("Label12"),
         QStringLiteral(u"     Small"),
         {2080, 4880, 1095, 165},
         QStringLiteral(u"フォームを最小化します。"),
         false},
    };
    return labels;
}

const NavLabelLayout& NavLabelInfo(NavLabel id) {
    return NavLabels().at(static_cast<size_t>(id));
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

} // namespace ricorne
