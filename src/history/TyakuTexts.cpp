#include "history/TyakuTexts.h"

#include "core/text/Text.h"

#include <QHash>

namespace ricorne {

QString TyakuHelpText(const QString& name) {
    if (name == u"Command1")
        return QStringLiteral(
            u"本文以外のコピーに使用します。「Subject」「From」「Date」に表示されるデータをコピーします"
            u"（貼り付けはメニューバー、ツールバーで出来ます）。Body（本文）はメニューバー、ツールバーから"
            u"コピー・貼り付けが出来ます。\r\n\r\n 本文への貼り付け（あるいは本ソフトでの貼り付け機能が"
            u"ある部分）、他のアプリケーションへの貼り付けが可能です。\r\n\r\nコピーされる内容は右の欄に反"
            u"映されます。");
    if (name == u"Command2")
        return QStringLiteral(
            u"選択したデータをテキスト形式で本ソフト内の「TextQuickSave」フォルダ内に「Subject」「From」"
            u"「Date」「Boby」で保存します。ファイル名は「Subject」が自動的に当てられます。同名のファイル"
            u"が既に存在する場合は警告メッセージを出します。");
    if (name == u"Command3")
        return QStringLiteral(
            u"受信したメールを１件ずつ削除します。リストでメールを選択（クリック）してから実行して下さい。");
    if (name == u"Command4")
        return QStringLiteral(u"受信したメールをアドレス帳に登録します。リストからメールを選択（クリック）し"
                              u"てから実行して下さい。");
    if (name == u"Command5")
        return QStringLiteral(
            u"受信したメールに返事を出します。リストからメールを選択（クリック）してから実行して下さい。");
    if (name == u"Command6")
        return QStringLiteral(u"受信したメール全件削除します。");
    if (name == u"Text1")
        return QStringLiteral(
            u"検索したい文字を入力し、メニューバーから「検索」「次を検索」を選択し、検索したい文字を"
            u"本文中(body)から検索します。");
    if (name == u"HistorySearchBox")
        return QStringLiteral(
            u"履歴のすべてのメールから、件名・差出人・日付・本文に言葉を含むものを探します。"
            u"一覧には見つかったメールだけが出ます。空にするとすべて表示します。");
    if (name == u"KanaFoldingBox")
        return QStringLiteral(u"チェックすると、ひらがなとカタカナ、全角と半角を区別せずに探します。");
    return {};
}

const std::vector<TyakuMenu>& TyakuMenus() {
    static const std::vector<TyakuMenu> menus = {
        {QStringLiteral("mFile"),
         QStringLiteral(u"ファイル(&F)"),
         {
             {QStringLiteral("mnew"), QStringLiteral(u"新規作成"), ViewerCommand::New},
             {QStringLiteral("mopen"), QStringLiteral(u"開く"), ViewerCommand::Open},
             {QStringLiteral("msave"), QStringLiteral(u"名前を付けて保存"), ViewerCommand::Save},
             // Prints as the toolbar's button does.
             {QStringLiteral("mprint"), QStringLiteral(u"印刷"), ViewerCommand::Print},
             {QStringLiteral("mline4"), QStringLiteral("-"), std::nullopt},
             {QStringLiteral("mexportmbox"), QStringLiteral(u"履歴を mbox に書き出す..."),
              ViewerCommand::ExportMbox},
             {QStringLiteral("mexporteml"), QStringLiteral(u"履歴を EML フォルダに書き出す..."),
              ViewerCommand::ExportEml},
             {QStringLiteral("mexportvcard"), QStringLiteral(u"アドレス帳を vCard に書き出す..."),
              ViewerCommand::ExportVcard},
             {QStringLiteral("mexportcsv"), QStringLiteral(u"アドレス帳を CSV に書き出す..."),
              ViewerCommand::ExportCsv},
             {QStringLiteral("mbackup"), QStringLiteral(u"バックアップを作る..."), ViewerCommand::Backup},
             {QStringLiteral("mline"), QStringLiteral("-"), std::nullopt},
             {QStringLiteral("mend"), QStringLiteral(u"終了"), ViewerCommand::Close},
         }},
        {QStringLiteral("medit"),
         QStringLiteral(u"編集(&E)"),
         {
             {QStringLiteral("mall"), QStringLiteral(u"全て選択"), ViewerCommand::SelectAll},
             {QStringLiteral("matamajump"), QStringLiteral(u"文頭へジャンプ"), ViewerCommand::JumpStart},
             {QStringLiteral("mbunmatujump"), QStringLiteral(u"文末へジャンプ"), ViewerCommand::JumpEnd},
             {QStringLiteral("mline3"), QStringLiteral("-"), std::nullopt},
             {QStringLiteral("mkensaku"), QStringLiteral(u"検索"), ViewerCommand::Search},
             {QStringLiteral("mtugikensaku"), QStringLiteral(u"次を検索"), ViewerCommand::FindNext},
             {QStringLiteral("mline2"), QStringLiteral("-"), std::nullopt},
             {QStringLiteral("mcut"), QStringLiteral(u"切り取り"), ViewerCommand::Cut},
             {QStringLiteral("mcopy"), QStringLiteral(u"コピー"), ViewerCommand::Copy},
             {QStringLiteral("mpaste"), QStringLiteral(u"貼付け"), ViewerCommand::Paste},
         }},
    };
    return menus;
}

const std::vector<TyakuToolButton>& TyakuToolButtons() {
    static const std::vector<TyakuToolButton> buttons = {
        {QStringLiteral("New"), QStringLiteral(u"新規作成"), ViewerCommand::New},
        {QStringLiteral("Open"), QStringLiteral(u"開く"), ViewerCommand::Open},
        {QStringLiteral("Save"), QStringLiteral(u"名前を付けて保存"), ViewerCommand::Save},
        {QStringLiteral("Print"), QStringLiteral(u"印刷"), ViewerCommand::Print},
        {QStringLiteral("Cut"), QStringLiteral(u"切り取り"), ViewerCommand::Cut},
        {QStringLiteral("Copy"), QStringLiteral(u"ｺﾋﾟｰ"), ViewerCommand::Copy},
        {QStringLiteral("Paste"), QStringLiteral(u"貼り付け"), ViewerCommand::Paste},
        {QStringLiteral("Bold"), QStringLiteral(u"太字"), ViewerCommand::Bold},
        {QStringLiteral("Italic"), QStringLiteral(u"斜体"), ViewerCommand::Italic},
        {QStringLiteral("Underline"), QStringLiteral(u"下線"), ViewerCommand::Underline},
    };
    return buttons;
}

QString ConfirmDeleteText(HistoryMode mode) {
    const QString text = QStringLiteral(u"選択された（行、青色）データを削除します。よろしいですか");
    return mode == HistoryMode::Sent ? text + QLatin1Char('?') : text;
}

QString ConfirmDeleteAllText() {
    return QStringLiteral(u"すべてのデータを削除して良いですか？");
}

QString ConfirmOverwriteText() {
    return QStringLiteral(u"同名のファイルが既に存在します。上書きしますか？ ");
}

QString HistoryDeleteFailedText() {
    return QStringLiteral(u"削除できませんでした（ディスクの空きが足りないか、書き込みに失敗しました）。"
                          u"履歴は削除する前のままです。");
}

QString HistoryChangedText() {
    return QStringLiteral(u"履歴が別のプログラムによって変更されていたため、削除しませんでした。"
                          u"一覧を読み直しましたので、もう一度選んでください。");
}
QString RowVanishedText() {
    return QStringLiteral(u"選択された行のメールはもうありません。一覧を読み直しました。");
}
QString HistoryBeyondLimitText(qint64 total) {
    return QStringLiteral(u"この履歴には %1 件のメールがあります。一覧に出せるのは先頭の 32767 件までです。"
                          u"残りの %2 件は削除されずにファイルに残っています。")
        .arg(total)
        .arg(total - 32767);
}
QString HistoryUnreadableText(const QString& path, const QString& cause) {
    return QStringLiteral(u"履歴のファイル「%1」を読み込めません（%2）。").arg(path, cause);
}
QString FolderInPlaceCause() {
    return QStringLiteral(u"ファイルの場所に同じ名前のフォルダーがあります");
}
QString NoReadPermissionCause() {
    return QStringLiteral(u"読み取りの権限がありません");
}
QString ReadErrorCause() {
    return QStringLiteral(u"読み込みに失敗しました");
}

QString QuickSaveFailedText(const QString& detail) {
    return QStringLiteral(u"「■TextQuickSave」フォルダに保存できませんでした（フォルダがないか、"
                          u"ディスクの空きが足りないか、書き込みに失敗しました）。\n") +
           detail;
}

QString QuickSaveUnkeptText(const QStringList& characters, const QString& fileName) {
    return QStringLiteral(u"テキストファイル（Shift_JIS）に保存できない文字があります: %1\n"
                          u"保存するとこれらの文字は「?」になります。「%2」に保存しますか？")
        .arg(UnkeptCharactersShown(characters), fileName);
}

QString EditorSaveFailedText(const QString& path, const QString& detail) {
    return QStringLiteral(u"ファイル「%1」に保存できませんでした。").arg(path) +
           (detail.isEmpty() ? QString() : u'\n' + detail);
}

QString ConfirmEmptyNewFileText(const QString& path) {
    return QStringLiteral(u"「%1」には文章が保存されています。空にして新規作成しますか？").arg(path);
}

QString OpenedAsUtf8Caption(const QString& path, bool bom) {
    return path + (bom ? QStringLiteral(u"　（UTF-8（BOM 付き）として読み込みました。保存は Shift_JIS です）")
                       : QStringLiteral(u"　（UTF-8 として読み込みました。保存は Shift_JIS です）"));
}

QString EditorUnkeptText(const QStringList& characters, const QString& path) {
    return QStringLiteral(u"Shift_JIS で保存できない文字があります: %1\n"
                          u"保存するとこれらの文字は「?」になります。「%2」に保存しますか？")
        .arg(UnkeptCharactersShown(characters), path);
}

QString TyakuAccessibleName(const QString& controlName) {
    static const QHash<QString, QString> names{
        {QStringLiteral("Text1"), QStringLiteral(u"検索文字")},
        {QStringLiteral("Text2"), QStringLiteral(u"件数")},
        {QStringLiteral("HistorySearchBox"), QStringLiteral(u"履歴の検索")},
        {QStringLiteral("KanaFoldingBox"), QStringLiteral(u"かな・全角半角を区別しない")},
        {QStringLiteral("MailListView"), QStringLiteral(u"メール一覧")},
        {QStringLiteral("Text7"), QStringLiteral(u"件名")},
        {QStringLiteral("Text8"), QStringLiteral(u"差出人")},
        {QStringLiteral("Text9"), QStringLiteral(u"日付")},
        {QStringLiteral("rtfEd"), QStringLiteral(u"本文")},
        {QStringLiteral("lstLst"), QStringLiteral(u"本文の行")},
        {QStringLiteral("Text4"), QStringLiteral(u"ヘルプ")},
        {QStringLiteral("Text6"), QStringLiteral(u"コピーした内容")},
        {QStringLiteral("Text5"), QStringLiteral(u"選択番号")},
        {QStringLiteral("qt_toolbar_ext_button"), QStringLiteral(u"その他のボタン")},
    };
    return names.value(controlName);
}

QString HistorySearchPlaceholder() {
    return QStringLiteral(u"履歴を検索");
}

QString KanaFoldingCaption() {
    return QStringLiteral(u"ｱ=あ");
}

QString HistorySearchHitsText(int hits) {
    return hits == 0 ? QStringLiteral(u"見つかりませんでした。")
                     : QStringLiteral(u"%1 件見つかりました。").arg(hits);
}

QString HistorySearchFailedText() {
    return QStringLiteral(u"履歴のファイルを読めないため、検索できませんでした。");
}

QString ExportDialogTitle(bool folder) {
    return folder ? QStringLiteral(u"書き出すフォルダの名前") : QStringLiteral(u"書き出すファイルの名前");
}

QString ExportDoneText(int written, const QString& path) {
    return QStringLiteral(u"%1 件を書き出しました。\n%2").arg(written).arg(path);
}

QString ExportFailedText(const QString& detail) {
    return QStringLiteral(u"書き出せませんでした。途中までのファイルは残していません。\n%1").arg(detail);
}

QString BackupDialogTitle() {
    return QStringLiteral(u"バックアップの保存先");
}

QString BackupDoneText(int files, const QString& path) {
    return QStringLiteral(
               u"%1 個のファイルをバックアップしました。\n%2\n"
               u"戻すときは ricorne-mailtool restore を使います（ヘルプの「データのバックアップ」）。")
        .arg(files)
        .arg(path);
}

} // namespace ricorne
