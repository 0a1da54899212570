// Developer tool: the compose or reply window on a throw-away AppDir with a few address book
// entries, for looking at them.
//   compose_demo write | write-wide | write-help | back | check (the check before a send, ticked
//   half way, a wait of 5 seconds)
#include "compose/BackForm.h"
#include "compose/WriteForm.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "shell/ApplicationSetup.h"
#include "shell/SendCheckDialog.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace ricorne;

namespace {

void AddAddress(const QString& name, const QString& address) {
    AddressRecord record;
    SetField(record.Name, name);
    SetField(record.MailAddress, address);
    AppendRecord(AddressStore(), record);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InstallApplicationFont();
    InstallJapaneseTranslations(app);
    QTemporaryDir dir;
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    AddAddress(QStringLiteral(u"山田 太郎"), QStringLiteral("taro.yamada@example.jp"));
    AddAddress(QStringLiteral(u"鈴木 花子"), QStringLiteral("hanako@example.ne.jp"));
    AddAddress(QStringLiteral(u"佐藤商店"), QStringLiteral("info@sato-shoten.example.com"));

    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("write");
    if (mode == QLatin1String("check")) {
        const QString file = dir.path() + QStringLiteral(u"/見積書.pdf");
        QFile pdf(file);
        if (pdf.open(QIODevice::WriteOnly))
            pdf.write(QByteArray(182 * 1024, 'x'));
        pdf.close();
        SendCheckDialog dialog(
            DescribeOutgoing(QStringLiteral("taro.yamada@example.jp"),
                             {{QStringLiteral(u"鈴木 花子"), QStringLiteral("hanako@example.jp")},
                              {QStringLiteral(u"佐藤商店"), QStringLiteral("info@sato-shoten.example.com")}},
                             QStringLiteral(u"お見積もりの件"), {file}, 5));
        dialog.RecipientBoxes().front()->setChecked(true);
        dialog.move(20, 20);
        return dialog.exec();
    }
    if (mode == QLatin1String("back")) {
        BackForm* form = Registry().Get<BackForm>();
        form->Fill(QStringLiteral("hanako@example.ne.jp"), QStringLiteral(u"Re:  来週の打ち合わせ"),
                   QStringLiteral(u"山田様\r\n\r\nいつもお世話になっております。\r\n来週の打ち合わせは火曜日"
                                  u"の午後でいかがでしょうか。\r\n\r\n鈴木"));
        Registry().Show<BackForm>();
        form->move(20, 20);
        return app.exec();
    }
    WriteForm* form = Registry().Show<WriteForm>();
    form->ToText()->setText(QStringLiteral("taro.yamada@example.jp"));
    form->SubjectText()->setText(QStringLiteral(u"お花見のお誘い"));
    form->OpeningLineBox()->setEditText(QStringLiteral(u"こんにちわ。お変わりなく、お元気ですか？"));
    form->BodyText()->setPlainText(QStringLiteral(u"こんにちわ。お変わりなく、お元気ですか？\n\n今年も公園で"
                                                  u"お花見をします。\nよろしければご一緒にいかがですか。"));
    if (mode == QLatin1String("write-emoji")) // what the status line says of unstorable characters
        form->BodyText()->appendPlainText(QStringLiteral(u"楽しみです🌸 또 만나요"));
    if (mode == QLatin1String("write-wide")) {
        form->NamePanelButton()->click();
        form->BatchSendingOption()->click();
    }
    if (mode == QLatin1String("write-help")) {
        QTimer::singleShot(200, form, [form] {
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(form->FaceMarksButton(), &enter);
        });
    }
    return app.exec();
}
