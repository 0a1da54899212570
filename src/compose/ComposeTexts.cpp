#include "compose/ComposeTexts.h"

#include <QDir>
#include <QHash>

namespace ricorne {

QString WriteFormCaption() {
    return QStringLiteral(u"新規作成");
}

QString BackFormCaption() {
    return QStringLiteral(u"返事を書く");
}

const QStringList& GreetingLines() {
    static const QStringList lines = {
        QStringLiteral(u"御社益々ご清祥の事とお慶び申し上げます。"),
        QStringLiteral(u"平素のご愛顧誠にありがとうございます。"),
        QStringLiteral(u"平素は格別のご愛顧を賜り深謝申し上げます。"),
        QStringLiteral(u"いつもお世話になっております。"),
        QStringLiteral(u"メールありがとうございました。確かに受け取りました。"),
        QStringLiteral(u"はじめまして、突然のメールで恐縮です。"),
        QStringLiteral(u"こんにちわ。はじめてメールいたします。"),
        QStringLiteral(u"こんにちわ。お変わりなく、お元気ですか？"),
    };
    return lines;
}

namespace {

QString FaceMarkHelp() {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral(u"顔・絵文字の本文への挿入を行います。") + crlf + crlf +
           QStringLiteral(u"使用方法：使用したい顔・絵文字をマウスで選択状態（青色反転）にし、「新規作成本文"
                          u"に挿入」ボタンを。") +
           QStringLiteral(u"クリックしますと、本分中に挿入されます。") + crlf + crlf +
           QStringLiteral(u"素材の県名や氏名、電話番号はあなた用に変更してご使用下さい。画面を終了させると自"
                          u"動的に保存されます。") +
           crlf +
           QStringLiteral(
               u"上手な使用方法：素材が豊富ですので、お気に入りに追加しておいた方が良いでしょう。") +
           crlf +
           QStringLiteral(u"お気に入りに追加（注意:"
                          u"IEではありません）する場合も、マウスで選択状態にし、顔・絵文字画面での「お気に入"
                          u"りに追加」ボタンをクリックして下さい。");
}

} // namespace

QString ComposeHelpText(ComposeHelp control) {
    switch (control) {
    case ComposeHelp::Send:
        return QStringLiteral(
            u"送信します。電話回線が接続されていない場合は、自動的に接続してメールを送信します。");
    case ComposeHelp::Stop:
        return QStringLiteral(u"送信を中止します。");
    case ComposeHelp::AddressBook:
        return QStringLiteral(
            u"このフォーム（新規作成）が拡張され、登録したメールアドレスの名称が一覧（リスト）に現れます。"
            u"送信したい名称をクリックすると、メールアドレスが自動的に入力されます。");
    case ComposeHelp::PasteBody:
        return QStringLiteral(u"本ソフト、他のアプリからのテキスト文書を本文中に貼付けます。");
    case ComposeHelp::NormalSize:
        return QStringLiteral(u"アドレス帳を含むサイズから、元のサイズに戻します。");
    case ComposeHelp::PasteRecipient:
        return QStringLiteral(u"コピーして来た内容を宛先に貼付ます。");
    case ComposeHelp::Clear:
        return QStringLiteral(u"宛先、件名、本文他、設定等が初期状態に戻せます。");
    case ComposeHelp::AddFile:
        return QStringLiteral(
            u"添付ファイルを複数送信する際に使用します。確認しやすいように、リストボックスが表示されます。");
    case ComposeHelp::AttachFile:
        return QStringLiteral(u"各種ファイルを添付して送信できます。");
    case ComposeHelp::FaceMarks:
        return FaceMarkHelp();
    }
    return {};
}

QString SendingStatus() {
    return QStringLiteral(u"メールを送信中です。しばらくお待ち下さい。");
}

QString SendingProgressStatus(int k, int count) {
    return SendingStatus() + QStringLiteral(u"（%1/%2）").arg(k).arg(count);
}

QString SendCompleteStatus() {
    return QStringLiteral(u"送信完了です。");
}

QString SendStoppedStatus() {
    return QStringLiteral(u"送信を中断しました。");
}

QString SendFailedStatus() {
    return QStringLiteral(u"送信できなかったメールがあります。");
}

QString SendHeldStatus() {
    return QStringLiteral(u"送信を取りやめました。");
}

QString BatchStoppedAtText(int pass, const QString& name, const QString& address) {
    const QString entry = QStringLiteral(u"%1 件目「%2」<%3>").arg(pass).arg(name, address);
    if (pass <= 1)
        return QStringLiteral(u"一括送信は %1 で止まりました。どなたにも送信していません。").arg(entry);
    return QStringLiteral(
               u"一括送信は %1 で止まりました。1 件目から %2 "
               u"件目までは送信済みです（送信エラーの宛先を除く）。この宛先から後は送信していません。")
        .arg(entry)
        .arg(pass - 1);
}

QString CloseUnsentQuestion() {
    return QStringLiteral(u"書きかけのメールを閉じますか？（内容は保存されません）");
}

QString SendErrorTitle() {
    return QStringLiteral(u"送信エラー");
}

QString SentStoreFullText() {
    return QStringLiteral(
        u"送信履歴がいっぱいです（32767 件）。控えを残せないため、このメールは送信していません。"
        u"送信履歴から不要なメールを削除してから、もう一度送信して下さい。");
}

QString SentStoreWriteFailedText() {
    return QStringLiteral(
        u"送信履歴に控えを書き込めませんでした。控えを残せないため、このメールは送信していません。"
        u"ディスクの空きと「★MailData」フォルダを確かめてから、もう一度送信して下さい。");
}

QString SentStoreLockedText(ProgramFolderLock::State state) {
    const QString why =
        state == ProgramFolderLock::State::Busy
            ? QStringLiteral(u"別のプログラム（このプログラムの別のウィンドウか ricorne-mailtool）が"
                             u"同じフォルダーのメールを扱っているため、")
            : QStringLiteral(u"ロック ファイル「%1」を作成することも開くこともできないため、")
                  .arg(QDir::toNativeSeparators(ProgramFolderLock::Path()));
    return why +
           QStringLiteral(
               u"送信履歴に控えを書き込めませんでした。控えを残せないため、このメールは送信していません。"
               u"その処理が終わってから、もう一度送信して下さい。");
}

QString AttachDialogTitle() {
    return QStringLiteral(u"添付ファイルを開く");
}

QString ComposeAccessibleName(const QString& objectName) {
    static const QHash<QString, QString> names{
        {QStringLiteral("ToText"), QStringLiteral(u"宛先")},
        {QStringLiteral("SubjectText"), QStringLiteral(u"件名")},
        {QStringLiteral("Combo1"), QStringLiteral(u"首記例")},
        {QStringLiteral("AttachText"), QStringLiteral(u"添付ファイル")},
        {QStringLiteral("List2"), QStringLiteral(u"添付ファイル一覧")},
        {QStringLiteral("Check1"), QStringLiteral(u"占い添付")},
        {QStringLiteral("BodyText"), QStringLiteral(u"本文")},
        {QStringLiteral("Text14"), QStringLiteral(u"ヘルプ")},
        {QStringLiteral("Text1"), QStringLiteral(u"アドレス帳の件数")},
        {QStringLiteral("List1"), QStringLiteral(u"アドレス帳の名前")},
    };
    return names.value(objectName);
}

QString WriteFormAccessibleDescription(const QString& objectName) {
    static const QHash<QString, ComposeHelp> help{
        {QStringLiteral("Command1"), ComposeHelp::Send},
        {QStringLiteral("Command3"), ComposeHelp::Stop},
        {QStringLiteral("Command4"), ComposeHelp::AddressBook},
        {QStringLiteral("Command5"), ComposeHelp::PasteBody},
        {QStringLiteral("Command6"), ComposeHelp::NormalSize},
        {QStringLiteral("Command7"), ComposeHelp::PasteRecipient},
        {QStringLiteral("Command8"), ComposeHelp::FaceMarks},
        {QStringLiteral("Command9"), ComposeHelp::AddFile},
        {QStringLiteral("Command11"), ComposeHelp::Clear},
        {QStringLiteral("AttachCommand"), ComposeHelp::AttachFile},
    };
    if (objectName == u"Check1")
        return QStringLiteral(u"親しい人に占いを添付する（一括送信では使用不可）");
    if (const auto found = help.constFind(objectName); found != help.constEnd())
        return ComposeHelpText(*found);
    return {};
}

} // namespace ricorne
