// Developer tool: the address book on a throw-away AppDir holding a few Japanese entries.
//
//   addressbook_demo                  the window with the sample entries
//   addressbook_demo --click N        then a press on row N
//   addressbook_demo --help-box NAME  then the pointer over control NAME (Command1, Command38, ...)
//   addressbook_demo --records N      N generated entries instead of the samples (prints the
//                                     time the window took to open)
//   addressbook_demo --quit-after MS  end after MS milliseconds
#include "addressbook/AddressListView.h"
#include "addressbook/FriendForm.h"
#include "addressbook/OpenAddressBook.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "shell/ApplicationSetup.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

void Add(const QString& name, const QString& address) {
    AddressRecord r;
    SetField(r.Name, name);
    SetField(r.MailAddress, address);
    AppendRecord(AddressStore(), r);
}

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

    QTemporaryDir dir;
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    if (const int records = value(u"--records"_s).toInt(); records > 0) {
        for (int n = 1; n <= records; ++n)
            Add(u"山田 太郎%1"_s.arg(n), u"taro%1@example.co.jp"_s.arg(n));
    } else {
        Add(u"鈴木 一郎"_s, u"suzuki@example.co.jp"_s);
        Add(u"花子"_s, u"hanako@example.ne.jp"_s);
        Add(u"営業部 佐藤"_s, u"sato@example.com"_s);
        Add(u"日本太郎"_s, u"日本太郎<taro@example.jp>"_s);
    }

    QElapsedTimer opening;
    opening.start();
    OpenAddressBook();
    if (args.contains(u"--records"_s))
        qInfo("opened with %d entries in %lld ms", int(Registry().Find<FriendForm>()->State().rows.size()),
              opening.elapsed());
    FriendForm* form = Registry().Find<FriendForm>();
    form->move(20, 20);

    if (const int row = value(u"--click"_s).toInt(); row > 0) {
        QTimer::singleShot(500, form, [form, row] {
            AddressListView* list = form->MailListView();
            const QRect r = list->visualItemRect(list->topLevelItem(row - 1));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        });
    }
    if (const QString name = value(u"--help-box"_s); !name.isEmpty()) {
        QTimer::singleShot(800, form, [form, name] {
            if (QWidget* w = form->findChild<QWidget*>(name))
                QTest::mouseMove(w, w->rect().center());
        });
    }
    if (const int ms = value(u"--quit-after"_s).toInt(); ms > 0)
        QTimer::singleShot(ms, &app, &QCoreApplication::quit);
    return app.exec();
}
