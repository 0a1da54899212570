// A newcomer with a mail address and a password, at a provider the table knows (the suite's
// own servers, listed in a test table): the windows fill the servers, the connection test
// passes, and the first mail check brings the mail in.
#include "ReceiveTestSupport.h"
#include "TestServers.h"
#include "app/Wiring.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/mail/NMail.h"
#include "mainwindow/MainForm.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "shell/WindowRegistry.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

using namespace ricorne::testing;

TEST(FirstConnection, AddressAndPasswordGetMailOnTheFirstTry) {
    RICORNE_REQUIRE_TEST_SERVERS();
    AccountAppDir app;
    ASSERT_TRUE(app.IsValid());
    ScriptedDialogService dialogs;
    ScopedDialogService scoped(dialogs);
    InstallWiring();
    QFile table(app.FilePath(u"providers.tsv"_s));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(QStringLiteral("newcomer.example\tlocalhost\t%1\tssl\tlocalhost\t%2\tssl\tpassword\ttest\n")
                    .arg(kPop3sPort)
                    .arg(kSubmissionsPort)
                    .toUtf8());
    table.close();
    ASSERT_TRUE(ClearMaildir(u"alice"_s));
    ASSERT_TRUE(DropMail(u"alice"_s, TextMail(u"ようこそ"_s, u"はじめてのメールです。"_s)));

    Registry().Show<SetForm>();
    SetForm* set = Registry().Find<SetForm>();
    QTest::mouseClick(set->IdPassButton(), Qt::LeftButton);
    IdPassForm* idPass = Registry().Find<IdPassForm>();
    ASSERT_TRUE(idPass);
    QTest::keyClicks(idPass->IdText(), u"alice"_s);
    QTest::keyClicks(idPass->PassText(), u"secret1"_s);
    idPass->SaveCheck()->setChecked(true);
    QTest::mouseClick(idPass->OKCommand(), Qt::LeftButton);

    QTest::mouseClick(set->ServerButton(), Qt::LeftButton);
    OptionForm* server = Registry().Find<OptionForm>();
    ASSERT_TRUE(server);
    QTest::keyClicks(server->MailText(), u"alice@newcomer.example"_s);
    EXPECT_EQ(server->Pop3Text()->text(), u"pop3s://localhost:%1"_s.arg(kPop3sPort));
    QTest::mouseClick(server->TestCommand(), Qt::LeftButton);
    ASSERT_EQ(dialogs.MessageTexts().size(), 1);
    EXPECT_TRUE(dialogs.MessageTexts()[0].startsWith(u"このアカウントで受信・送信できます。"_s))
        << dialogs.MessageTexts()[0].toStdString();
    QTest::mouseClick(server->OkCommand(), Qt::LeftButton);

    NMail mail;
    CheckRecorder check;
    const CheckMailResult result = check.Run(mail);
    EXPECT_FALSE(result.failed);
    EXPECT_EQ(result.stored, 1);
    const QVector<StoredMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 1);
    EXPECT_EQ(mails[0].subject, u"ようこそ"_s);
    EXPECT_TRUE(check.dialogOpenings.isEmpty()); // the saved ID and password were enough

    Registry().Close<OptionForm>();
    Registry().Close<IdPassForm>();
    Registry().Close<SetForm>();
    Registry().Close<MainForm>();
}

} // namespace
} // namespace ricorne
