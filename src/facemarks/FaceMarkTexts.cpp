#include "facemarks/FaceMarkTexts.h"

#include "core/text/Text.h"

namespace ricorne {

QString ListsNotCp932Text(const QStringList& lines) {
    return QStringLiteral(u"次の顔文字のリストは Shift_JIS のファイルではありません。\n") +
           lines.join(u'\n') +
           QStringLiteral(u"\n\n編集しない限り、これらのファイルは書き換えません。編集して閉じると、"
                          u"元のファイルを「ファイル名.bak」として残してから保存します。");
}

QString ReadAsUtf8Note(const QString& fileName) {
    return QStringLiteral(u"%1（UTF-8 として読みました）").arg(fileName);
}

QString ReadDamagedNote(const QString& fileName) {
    return QStringLiteral(u"%1（読めない文字を「\uFFFD」で表示しています）").arg(fileName);
}

QString UnkeptFaceMarksQuestion(const QString& caption, const QStringList& characters, bool canStayOpen) {
    const QString shown = UnkeptCharactersShown(characters);
    return QStringLiteral(u"「%1」のリストに、保存できない文字があります: %2\n"
                          u"保存するとこれらの文字は「?」になります。このまま保存しますか？\n")
               .arg(caption, shown) +
           (canStayOpen ? QStringLiteral(u"（「いいえ」で画面に戻ります）")
                        : QStringLiteral(u"（「いいえ」でこのリストは保存しません）"));
}

QString FaceMarkSaveFailedText(const QStringList& failures) {
    return QStringLiteral(u"顔文字のリストを保存できませんでした（ディスクの空きが足りないか、"
                          u"書き込みに失敗しました）。ファイルは前のままです。\n") +
           failures.join(u'\n');
}

} // namespace ricorne
