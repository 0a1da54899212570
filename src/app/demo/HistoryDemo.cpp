// Developer tool: the history viewer on a throw-away AppDir holding a few Japanese mails.
//
//   history_demo                  the received history, last record in the record view
//   history_demo --sent           the sent history
//   history_demo --click N        then a click on row N
//   history_demo --help-box NAME  then the pointer over control NAME (Command1, Text1, ...)
//   history_demo --records N      N generated records instead of the samples
//   history_demo --search TEXT    then TEXT in the search box and the Edit menu's search
//   history_demo --menu NAME      then the menu NAME (mFile, medit) opened
//   history_demo --press N        then a click on button CommandN (after the row click); its
//                                 questions are shown, or answered Yes with --yes
//   history_demo --hover NAME     before the press, the pointer over control NAME (Text7, ...)
//   history_demo --quit-after MS  end after MS milliseconds
#include "app/Wiring.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "history/OpenHistory.h"
#include "history/TyakuForm.h"
#include "shell/ApplicationSetup.h"
#include "shell/QtDialogService.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

void Add(const StoreDescriptor& store, const QString& subject, const QString& date, const QString& address,
         const QString& body) {
    MailRecord r;
    SetField(r.Subject, subject);
    SetField(r.DateText, date);
    SetField(r.Address, address);
    SetField(r.Body, body);
    AppendRecord(store, r);
}

void Samples(const StoreDescriptor& store, bool sent) {
    if (sent) {
        Add(store, u"Re:  打ち合わせの件"_s, u"2024/04/02  10:15:03"_s, u"suzuki@example.co.jp"_s,
            u"鈴木様\r\n\r\n了解しました。木曜日の十四時に伺います。\r\n\r\n山田"_s);
        Add(store, u"写真を送ります"_s, u"2024/04/05  21:40:11"_s, u"hanako@example.ne.jp"_s,
            u"花子さん\r\n\r\nこの前の花見の写真です。\r\nまた行きましょう！"_s);
        return;
    }
    Add(store, u"打ち合わせの件"_s, u"Mon, 1 Apr 2024 09:12:44 +0900"_s,
        u"鈴木 一郎 <suzuki@example.co.jp>"_s,
        u"山田様\r\n\r\nいつもお世話になっております。\r\n来週の打ち合わせですが、木曜日の十四時からで"
        u"いかがでしょうか。\r\n\r\nよろしくお願いいたします。\r\n鈴木"_s);
    Add(store, u"【お知らせ】メンテナンスのご案内"_s, u"Wed, 3 Apr 2024 18:00:00 +0900"_s,
        u"info@example.jp"_s,
        u"いつもご利用ありがとうございます。\r\n\r\n４月１０日（水）２時〜５時にメンテナンスを行います。\r\n"
        u"その間はサービスをご利用いただけません。"_s);
    Add(store, u"花見の写真"_s, u"Sat, 6 Apr 2024 08:30:19 +0900"_s, u"花子 <hanako@example.ne.jp>"_s,
        u"山田さん\r\n\r\n先日はありがとうございました。写真を添付します。\r\n\r\n花子"_s);
    Add(store, u"Re: 見積書について（再送）"_s, u"Tue, 9 Apr 2024 13:05:52 +0900"_s,
        u"営業部 佐藤 <sato@example.com>"_s,
        u"山田様\r\n\r\n見積書を再送いたします。ご確認ください。\r\n\r\n株式会社サンプル　佐藤"_s);
}

// Answers every question Yes, so a demo run shows the window after the operation.
class YesDialogService : public QtDialogService {
public:
    Answer Message(const QString& title, const QString& text, MessageIcon icon,
                   MessageButtons buttons) override {
        if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel)
            return Answer::Yes;
        return QtDialogService::Message(title, text, icon, buttons);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InstallApplicationFont();
    const QStringList args = app.arguments();
    auto value = [&](const QString& name) {
        const int i = args.indexOf(name);
        return i > 0 && i + 1 < args.size() ? args.at(i + 1) : QString();
    };

    QtDialogService shown;
    YesDialogService yes;
    ScopedDialogService dialogs(args.contains(u"--yes"_s) ? static_cast<DialogService&>(yes) : shown);
    InstallWiring();

    QTemporaryDir dir;
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    const bool sent = args.contains(u"--sent"_s);
    const StoreDescriptor& store = sent ? SentStore() : ReceivedStore();
    if (const int records = value(u"--records"_s).toInt(); records > 0) {
        for (int n = 1; n <= records; ++n)
            Add(store, u"【第%1号】月例会議のご案内"_s.arg(n), u"Mon, 1 Apr 2024 09:00:00 +0900"_s,
                u"山田 太郎 <taro%1@example.co.jp>"_s.arg(n), u"本文 %1"_s.arg(n));
    } else {
        Samples(store, sent);
    }

    OpenHistory(sent ? HistoryMode::Sent : HistoryMode::Received);
    TyakuForm* form = Registry().Find<TyakuForm>();
    form->move(20, 20);

    if (const int row = value(u"--click"_s).toInt(); row > 0) {
        QTimer::singleShot(500, form, [form, row] {
            QTreeView* list = form->MailListView();
            const QRect r = list->visualRect(list->model()->index(row - 1, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        });
    }
    if (const QString name = value(u"--help-box"_s); !name.isEmpty()) {
        QTimer::singleShot(800, form, [form, name] {
            if (QWidget* w = form->findChild<QWidget*>(name))
                QTest::mouseMove(w, w->rect().center());
        });
    }
    if (const QString text = value(u"--search"_s); !text.isEmpty()) {
        QTimer::singleShot(900, form, [form, text] {
            form->SearchBox()->setText(text);
            form->RunCommand(ViewerCommand::Search);
        });
    }
    if (const QString name = value(u"--menu"_s); !name.isEmpty()) {
        QTimer::singleShot(1200, form, [form, name] {
            if (QMenu* menu = form->Menu(name))
                form->menuBar()->setActiveAction(menu->menuAction());
        });
    }
    if (const QString name = value(u"--hover"_s); !name.isEmpty()) {
        QTimer::singleShot(900, form, [form, name] {
            if (QWidget* w = form->findChild<QWidget*>(name))
                QTest::mouseMove(w, w->rect().center());
        });
    }
    if (const int n = value(u"--press"_s).toInt(); n >= 1 && n <= 6) { // Command1 .. Command6
        QTimer::singleShot(1000, form, [form, n] {
            if (QPushButton* b = form->RecordButton(kRecordButtonCommands[n - 1]))
                b->click();
        });
    }
    if (const int ms = value(u"--quit-after"_s).toInt(); ms > 0)
        QTimer::singleShot(ms, &app, &QCoreApplication::quit);
    return app.exec();
}
