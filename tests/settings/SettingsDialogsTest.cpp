// The three settings windows, driven through their real controls, on real files in a
// temporary AppDir.
#include "TempAppDir.h"
#include "app/Wiring.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/geometry/Twips.h"
#include "core/oauth/OAuthTexts.h"
#include "core/oauth/OAuthTokens.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/ProfileFile.h"
#include "core/settings/SendCheckSettings.h"
#include "mainwindow/MainForm.h"
#include "settings/IdPassForm.h"
#include "settings/OpenSettings.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "shell/WindowRegistry.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class SettingsDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        InstallWiring();
    }
    void TearDown() override {
        Registry().Close<IdPassForm>();
        Registry().Close<OptionForm>();
        Registry().Close<SetForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString CredentialsPath() const { return ResolvePath(CredentialsFile()); }
    QString ServerPath() const { return ResolvePath(ServerSettingsFile()); }
    QString Profile(const QString& key) const {
        return ReadProfileString(CredentialsPath(), u"EXEINI"_s, key);
    }
    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    ricorne::testing::TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
};

TEST_F(SettingsDialogsTest, IdPassOpensWithSavedValuesMaskedAndSaveSwitchAsTheFileSays) {
    ASSERT_TRUE(SaveCredentials(u"taro"_s, u"pa55"_s, true));
    IdPassForm* form = Registry().Show<IdPassForm>();
    ASSERT_TRUE(form);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(form->windowTitle(), u"ID,PASS"_s);
    EXPECT_EQ(form->IdText()->text(), u"taro"_s);
    EXPECT_EQ(form->PassText()->text(), u"pa55"_s);
    EXPECT_EQ(form->PassText()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->PassText()->displayText(), u"****"_s);
    // Saved before: the switch is on, so a changed password is saved by a plain OK.
    EXPECT_TRUE(form->SaveCheck()->isChecked());
    EXPECT_EQ(form->findChild<QLabel*>(u"Label2_1"_s)->text(), u"IDパスワードを保存する"_s);
    EXPECT_EQ(form->IdText()->geometry(), TwipsRect(960, 120, 1632, 264));
    EXPECT_EQ(form->PassText()->geometry(), TwipsRect(960, 600, 1632, 264));
    EXPECT_EQ(form->SaveCheck()->geometry(), TwipsRect(420, 1020, 255, 255));
    EXPECT_EQ(form->OKCommand()->geometry(), TwipsRect(900, 1380, 852, 312));
    EXPECT_EQ(form->CancelCommand()->text(), u"Cancel"_s);
    EXPECT_TRUE(form->OKCommand()->isDefault());
    EXPECT_EQ(Registry().Show<IdPassForm>(), form); // one window
}

TEST_F(SettingsDialogsTest, IdPassOkWithSaveWritesAllThreeKeysAndReopensWithThem) {
    IdPassForm* form = Registry().Show<IdPassForm>();
    form->IdText()->setText(u" 山田 "_s);
    form->PassText()->setText(u"秘密 "_s);
    form->SaveCheck()->setChecked(true);
    QTest::mouseClick(form->OKCommand(), Qt::LeftButton);
    EXPECT_FALSE(Registry().IsLoaded<IdPassForm>());
    EXPECT_EQ(AccountSettings().AccountId, u" 山田 "_s);
    EXPECT_EQ(AccountSettings().Password, u"秘密 "_s);
    EXPECT_EQ(ReadCredentials().AccountId, u"山田"_s); // the profile reader drops outer blanks
    EXPECT_EQ(Profile(u"NAME3"_s), u"1"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    form = Registry().Show<IdPassForm>();
    EXPECT_EQ(form->IdText()->text(), u"山田"_s);
    EXPECT_EQ(form->PassText()->text(), u"秘密"_s);
    EXPECT_TRUE(form->SaveCheck()->isChecked());
    EXPECT_EQ(dialogs_.Requests().size(), 0u);

    // A new password with a plain OK reaches the file (the next check reads it from there).
    form->PassText()->setText(u"新しい秘密"_s);
    QTest::mouseClick(form->OKCommand(), Qt::LeftButton);
    EXPECT_EQ(ReadCredentials().Password, u"新しい秘密"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Chosen not to save: the next opening shows the switch off.
    ASSERT_TRUE(SaveCredentials(u"山田"_s, u"秘密"_s, false));
    form = Registry().Show<IdPassForm>();
    EXPECT_FALSE(form->SaveCheck()->isChecked());
}

TEST_F(SettingsDialogsTest, IdPassOkWithoutSaveKeepsTheFilesIdAndPassword) {
    ASSERT_TRUE(SaveCredentials(u"old"_s, u"oldpw"_s, true));
    IdPassForm* form = Registry().Show<IdPassForm>();
    form->IdText()->setText(u"new"_s);
    form->PassText()->setText(u"newpw"_s);
    form->SaveCheck()->setChecked(false);              // on, as the file says: the user turns it off
    QTest::keyClick(form->PassText(), Qt::Key_Return); // Enter clicks OK
    EXPECT_FALSE(Registry().IsLoaded<IdPassForm>());
    EXPECT_EQ(AccountSettings().AccountId, u"new"_s);
    EXPECT_EQ(AccountSettings().Password, u"newpw"_s);
    EXPECT_EQ(Profile(u"NAME"_s), u"old"_s);
    EXPECT_EQ(Profile(u"NAME2"_s), u"oldpw"_s);
    EXPECT_EQ(Profile(u"NAME3"_s), u"0"_s);
}

TEST_F(SettingsDialogsTest, CancelInEitherDialogChangesNothing) {
    ASSERT_TRUE(SaveCredentials(u"id"_s, u"pw"_s, true));
    AccountSettings().SmtpServer = u"smtp.example.jp"_s;
    AccountSettings().Pop3Server = u"pop.example.jp"_s;
    ASSERT_TRUE(SaveServerSettings());
    const QByteArray credentials = Bytes(CredentialsPath());
    const QByteArray server = Bytes(ServerPath());

    // Cancel button, Esc, and the close box.
    for (int way = 0; way < 3; ++way) {
        IdPassForm* idPass = Registry().Show<IdPassForm>();
        idPass->IdText()->setText(u"x"_s);
        idPass->SaveCheck()->setChecked(true);
        OptionForm* option = Registry().Show<OptionForm>();
        option->Pop3Text()->setText(u"changed"_s);
        option->ApopCheck()->setChecked(true);
        if (way == 0) {
            QTest::mouseClick(idPass->CancelCommand(), Qt::LeftButton);
            QTest::mouseClick(option->CancelCommand(), Qt::LeftButton);
        } else if (way == 1) {
            QTest::keyClick(idPass->IdText(), Qt::Key_Escape);
            QTest::keyClick(option->Pop3Text(), Qt::Key_Escape);
        } else {
            idPass->close();
            option->close();
        }
        EXPECT_FALSE(Registry().IsLoaded<IdPassForm>()) << way;
        EXPECT_FALSE(Registry().IsLoaded<OptionForm>()) << way;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(Bytes(CredentialsPath()), credentials);
    EXPECT_EQ(Bytes(ServerPath()), server);
    EXPECT_EQ(AccountSettings().AccountId, QString());
    EXPECT_EQ(AccountSettings().Pop3Server, u"pop.example.jp"_s);
    EXPECT_EQ(AccountSettings().UseApop, 0);
}

TEST_F(SettingsDialogsTest, ServerSettingsRoundTripWithApop) {
    OptionForm* form = Registry().Show<OptionForm>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(form->windowTitle(), u"サーバー設定"_s);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form->ApopCheck()->isChecked());
    EXPECT_EQ(form->ApopCheck()->text(), u"APOP を使用する(&A)"_s);
    EXPECT_EQ(form->findChild<QLabel*>(u"Label2"_s)->text(), u"POP3サーバー名(&P)"_s);
    EXPECT_EQ(form->SmtpText()->geometry(), TwipsRect(120, 360, 2652, 264));
    EXPECT_EQ(form->ApopCheck()->geometry(), TwipsRect(660, 2040, 2172, 252));
    EXPECT_EQ(form->OkCommand()->geometry(), TwipsRect(660, 2520, 972, 372));
    EXPECT_EQ(form->CancelCommand()->text(), u"中止"_s);

    // Access keys reach the boxes.
    form->activateWindow();
    QTest::keyClick(form, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->Pop3Text());

    form->SmtpText()->setText(u" smtp.example.jp "_s);
    form->Pop3Text()->setText(u"pop3s://pop.example.jp:995"_s);
    form->MailText()->setText(u"太郎 <taro@example.jp>"_s);
    form->ApopCheck()->setChecked(true);
    QTest::keyClick(form->MailText(), Qt::Key_Return); // no default button: Enter does nothing
    ASSERT_TRUE(Registry().IsLoaded<OptionForm>());
    QTest::mouseClick(form->OkCommand(), Qt::LeftButton);
    EXPECT_FALSE(Registry().IsLoaded<OptionForm>());

    EXPECT_EQ(Bytes(ServerPath()), QByteArray("SMTP= smtp.example.jp \r\nPOP3=pop3s://pop.example.jp:995\r\n"
                                              "MAIL=\x91\xbe\x98\x59 <taro@example.jp>\r\nAPOP=1\r\n"));
    AccountRecord reread;
    LoadServerSettings(reread);
    EXPECT_EQ(reread.SmtpServer, u" smtp.example.jp "_s);
    EXPECT_EQ(reread.FromAddress, u"太郎 <taro@example.jp>"_s);
    EXPECT_EQ(reread.UseApop, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    AccountSettings() = reread; // a restart
    form = Registry().Show<OptionForm>();
    EXPECT_TRUE(form->ApopCheck()->isChecked());
    EXPECT_EQ(form->Pop3Text()->text(), u"pop3s://pop.example.jp:995"_s);
    form->ApopCheck()->setChecked(false);
    QTest::mouseClick(form->OkCommand(), Qt::LeftButton);
    EXPECT_TRUE(Bytes(ServerPath()).endsWith("APOP=0\r\n"));
    EXPECT_EQ(AccountSettings().UseApop, 0);
}

// A hand-edited value other than 0 and 1 logs in with APOP, so the box shows it on and an OK
// that does not touch the box keeps it on.
TEST_F(SettingsDialogsTest, ApopValueTwoShowsOnAndOkKeepsApop) {
    AccountSettings().Pop3Server = u"pop.example.jp"_s;
    AccountSettings().UseApop = 2;
    OptionForm* form = Registry().Show<OptionForm>();
    EXPECT_TRUE(form->ApopCheck()->isChecked());
    EXPECT_EQ(form->ApopCheck()->checkState(), Qt::Checked);
    QTest::mouseClick(form->OkCommand(), Qt::LeftButton);
    EXPECT_FALSE(Registry().IsLoaded<OptionForm>());
    EXPECT_TRUE(Bytes(ServerPath()).endsWith("APOP=1\r\n"));
    EXPECT_NE(AccountSettings().UseApop, 0);
}

// What the user typed is never changed by the CP932 settings files: a field holding a character
// they cannot keep is refused at OK, by name, and no file or setting changes.
struct UnkeptField {
    const char* control;   // the box it is typed into
    const char16_t* text;  // what is typed
    const char16_t* named; // the field the message names
};

class RefusedServerField : public SettingsDialogsTest, public ::testing::WithParamInterface<UnkeptField> {};

TEST_P(RefusedServerField, IsNamedAndNothingIsSaved) {
    AccountSettings().SmtpServer = u"smtp.example.jp"_s;
    AccountSettings().Pop3Server = u"pop.example.jp"_s;
    AccountSettings().FromAddress = u"taro@example.jp"_s;
    ASSERT_TRUE(SaveServerSettings(AccountSettings()));
    const QByteArray before = Bytes(ServerPath());
    OptionForm* form = Registry().Show<OptionForm>();
    form->findChild<QLineEdit*>(QString::fromLatin1(GetParam().control))
        ->setText(QString::fromUtf16(GetParam().text));
    QTest::mouseClick(form->OkCommand(), Qt::LeftButton);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_TRUE(
        dialogs_.Requests()[0].text.contains(u"「"_s + QString::fromUtf16(GetParam().named) + u"」"_s))
        << qPrintable(dialogs_.Requests()[0].text);
    EXPECT_TRUE(Registry().IsLoaded<OptionForm>()); // stays open with what was typed
    EXPECT_EQ(form->findChild<QLineEdit*>(QString::fromLatin1(GetParam().control))->text(),
              QString::fromUtf16(GetParam().text));
    EXPECT_EQ(Bytes(ServerPath()), before);
    EXPECT_EQ(AccountSettings().SmtpServer, u"smtp.example.jp"_s);
    EXPECT_EQ(AccountSettings().Pop3Server, u"pop.example.jp"_s);
    EXPECT_EQ(AccountSettings().FromAddress, u"taro@example.jp"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RefusedServerField,
    ::testing::Values(UnkeptField{"SmtpText", u"smtp.müller.de", u"SMTPサーバー名"},
                      UnkeptField{"Pop3Text", u"pop.한국.kr", u"POP3サーバー名"},
                      UnkeptField{"MailText", u"太郎😀 <taro@example.jp>", u"メールアドレス"},
                      UnkeptField{"MailText", u"波〜ダッシュ <nami@example.jp>", u"メールアドレス"}));

class RefusedIdPassField : public SettingsDialogsTest, public ::testing::WithParamInterface<UnkeptField> {};

TEST_P(RefusedIdPassField, IsNamedAndNothingIsSaved) {
    ASSERT_TRUE(SaveCredentials(u"taro"_s, u"pa55"_s, true));
    const QByteArray before = Bytes(CredentialsPath());
    AccountSettings().AccountId = u"taro"_s;
    AccountSettings().Password = u"pa55"_s;
    IdPassForm* form = Registry().Show<IdPassForm>();
    form->findChild<QLineEdit*>(QString::fromLatin1(GetParam().control))
        ->setText(QString::fromUtf16(GetParam().text));
    form->SaveCheck()->setChecked(true);
    QTest::mouseClick(form->OKCommand(), Qt::LeftButton);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_TRUE(
        dialogs_.Requests()[0].text.contains(u"「"_s + QString::fromUtf16(GetParam().named) + u"」"_s))
        << qPrintable(dialogs_.Requests()[0].text);
    EXPECT_TRUE(Registry().IsLoaded<IdPassForm>());
    EXPECT_EQ(Bytes(CredentialsPath()), before);
    EXPECT_EQ(AccountSettings().AccountId, u"taro"_s);
    EXPECT_EQ(AccountSettings().Password, u"pa55"_s);
}

INSTANTIATE_TEST_SUITE_P(Fields, RefusedIdPassField,
                         ::testing::Values(UnkeptField{"IdText", u"jürgen", u"ID"},
                                           UnkeptField{"PassText", u"pässwörd", u"Password"},
                                           UnkeptField{"PassText", u"鍵🔑", u"Password"}));

TEST_F(SettingsDialogsTest, JapaneseSettingsThatCp932KeepsAreSaved) {
    IdPassForm* form = Registry().Show<IdPassForm>();
    form->IdText()->setText(u"髙橋①"_s);
    form->PassText()->setText(u"ﾊﾟｽ～ワード"_s);
    form->SaveCheck()->setChecked(true);
    QTest::mouseClick(form->OKCommand(), Qt::LeftButton);
    EXPECT_TRUE(dialogs_.Requests().empty());
    EXPECT_EQ(Profile(u"NAME"_s), u"髙橋①"_s);
    EXPECT_EQ(Profile(u"NAME2"_s), u"ﾊﾟｽ～ワード"_s);
}

TEST_F(SettingsDialogsTest, FailedSaveIsReportedAndTheRunKeepsTheValues) {
    // The data folder is a plain file, so nothing can be written into it.
    ASSERT_TRUE(QDir(ResolvePath(u"\\"_s + MailDataDir())).removeRecursively());
    QFile blocker(ResolvePath(u"\\"_s + MailDataDir()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    IdPassForm* form = Registry().Show<IdPassForm>();
    form->IdText()->setText(u"id"_s);
    form->PassText()->setText(u"pw"_s);
    form->SaveCheck()->setChecked(true);
    QTest::mouseClick(form->OKCommand(), Qt::LeftButton);
    ASSERT_EQ(dialogs_.MessageTexts().size(), 1);
    EXPECT_TRUE(dialogs_.MessageTexts()[0].startsWith(u"ID,PASSを保存できませんでした。"_s));
    EXPECT_EQ(AccountSettings().AccountId, u"id"_s);
    EXPECT_FALSE(Registry().IsLoaded<IdPassForm>());
}

TEST_F(SettingsDialogsTest, StartupOpensServerSettingsOnlyWithoutPop3Server) {
    LoadServerSettings();
    OpenServerSettingsWhenUnset();
    OptionForm* form = Registry().Find<OptionForm>();
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QFile ini(ServerPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("SMTP=s\r\nPOP3=pop.example.jp\r\nMAIL=m\r\nAPOP=0\r\n");
    ini.close();
    LoadServerSettings();
    OpenServerSettingsWhenUnset();
    EXPECT_FALSE(Registry().IsLoaded<OptionForm>());
}

TEST_F(SettingsDialogsTest, SettingsLabelLeadsToBothDialogs) {
    AccountSettings().Pop3Server = u"pop.example.jp"_s;
    MainForm* main = Registry().Get<MainForm>();
    main->ClickLabel(NavLabel::Settings); // press effect, then the window
    SetForm* set = Registry().Find<SetForm>();
    ASSERT_TRUE(set);
    EXPECT_TRUE(set->isVisible());
    EXPECT_EQ(set->windowTitle(), u"設定"_s);
    EXPECT_EQ(set->IdPassButton()->text(), u"ID/PASS"_s);
    EXPECT_EQ(set->ServerButton()->geometry(), TwipsRect(1560, 120, 1455, 375));
    main->ClickLabel(NavLabel::Settings);
    EXPECT_EQ(Registry().Find<SetForm>(), set);

    QTest::mouseClick(set->IdPassButton(), Qt::LeftButton);
    QTest::mouseClick(set->ServerButton(), Qt::LeftButton);
    ASSERT_TRUE(Registry().Find<IdPassForm>());
    ASSERT_TRUE(Registry().Find<OptionForm>());
    EXPECT_TRUE(Registry().Find<IdPassForm>()->isVisible());
    EXPECT_EQ(Registry().Find<OptionForm>()->Pop3Text()->text(), u"pop.example.jp"_s);
    EXPECT_TRUE(set->isVisible()); // nothing is modal
}

// For an address whose provider signs in with OAuth, ID/PASS takes the client ID (saved for the
// owner only) and its sign-in button says exactly what is missing without one.
TEST_F(SettingsDialogsTest, IdPassTakesTheClientIdAndSaysWhatIsMissingForOAuth) {
    QFile table(app_.FilePath(u"providers.tsv"_s));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(
        "outlook.jp\toutlook.office365.com\t995\tssl\tsmtp-mail.outlook.com\t587\tstarttls\toauth\tsrc\n"
        "oauth\tmicrosoft\toutlook.jp\thttps://login.example/a\thttps://login.example/t\t-\tmail\t-\tsrc\n");
    table.close();
    AccountSettings().FromAddress = u"taro@ocn.ne.jp"_s;
    EXPECT_EQ(Registry().Show<IdPassForm>()->ClientIdText(), nullptr)
        << "password providers keep the old window";
    Registry().Close<IdPassForm>();

    AccountSettings().FromAddress = u"taro@outlook.jp"_s;
    IdPassForm* form = Registry().Show<IdPassForm>();
    ASSERT_NE(form->ClientIdText(), nullptr);
    QTest::mouseClick(form->SignInCommand(), Qt::LeftButton);
    EXPECT_EQ(dialogs_.MessageTexts(), QStringList{oauth::NoClientIdText(u"Microsoft"_s)});

    form->IdText()->setText(u"taro@outlook.jp"_s);
    form->ClientIdText()->setText(u" 0f1e2d3c-aaaa-bbbb-cccc-123456789abc "_s);
    QTest::mouseClick(form->OKCommand(), Qt::LeftButton);
    EXPECT_EQ(oauth::SavedClientId(), u"0f1e2d3c-aaaa-bbbb-cccc-123456789abc"_s);
    EXPECT_EQ(QFile(oauth::TokenFile()).permissions() & 0x0077, 0);
}

// The check before a send: off in an older file, saved the moment it is changed, next to the ID
// and password without touching them, and shown again by the next settings window.
TEST_F(SettingsDialogsTest, SendCheckOptionIsSavedAtOnceAndKeepsTheIdAndPassword) {
    ASSERT_TRUE(SaveCredentials(u"taro"_s, u"秘密"_s, true));
    SetForm* set = Registry().Show<SetForm>();
    EXPECT_FALSE(set->SendCheckBox()->isChecked());
    EXPECT_FALSE(set->SendDelayBox()->isEnabled());
    set->SendCheckBox()->click();
    EXPECT_TRUE(set->SendDelayBox()->isEnabled());
    set->SendDelayBox()->setValue(5);
    EXPECT_TRUE(ReadSendCheckOptions().enabled);
    EXPECT_EQ(ReadSendCheckOptions().delaySeconds, 5);
    EXPECT_EQ(ReadCredentials().Password, u"秘密"_s);

    Registry().Close<SetForm>();
    set = Registry().Show<SetForm>();
    EXPECT_TRUE(set->SendCheckBox()->isChecked());
    EXPECT_EQ(set->SendDelayBox()->value(), 5);
    QTest::keyClick(set, Qt::Key_Escape); // no cancel button: Esc closes it all the same
    EXPECT_FALSE(Registry().IsLoaded<SetForm>());
}

// Typing the mail address fills empty server boxes from the table beside the program, replaces
// what it filled itself, and leaves what the user typed; a note says what the provider needs.
TEST_F(SettingsDialogsTest, MailAddressFillsEmptyServerBoxesFromTheProviderTable) {
    QFile table(app_.FilePath(u"providers.tsv"_s));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(
        "gmail.com\tpop.gmail.com\t995\tssl\tsmtp.gmail.com\t465\tssl\tapp-password\tsrc\n"
        "outlook.jp\toutlook.office365.com\t995\tssl\tsmtp-mail.outlook.com\t587\tstarttls\toauth\tsrc\n"
        "icloud.com\t-\t-\t-\tsmtp.mail.me.com\t587\tstarttls\tapp-password\tsrc\n");
    table.close();
    OptionForm* form = Registry().Show<OptionForm>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->MailText()->setFocus();
    QTest::keyClicks(form->MailText(), u"taro@gmail.com"_s);
    EXPECT_EQ(form->Pop3Text()->text(), u"pop3s://pop.gmail.com"_s);
    EXPECT_EQ(form->SmtpText()->text(), u"smtps://smtp.gmail.com"_s);
    EXPECT_TRUE(form->NoteLabel()->text().contains(u"アプリ パスワード"_s));

    // Another known domain replaces the table's own values ...
    form->MailText()->clear();
    QTest::keyClicks(form->MailText(), u"taro@outlook.jp"_s);
    EXPECT_EQ(form->Pop3Text()->text(), u"pop3s://outlook.office365.com"_s);
    EXPECT_EQ(form->SmtpText()->text(), u"smtp-mail.outlook.com:587"_s);
    EXPECT_TRUE(form->NoteLabel()->text().contains(u"OAuth"_s));

    // ... but not what the user wrote; an unknown domain fills nothing.
    form->Pop3Text()->setText(u"pop.mine.jp"_s);
    form->MailText()->clear();
    QTest::keyClicks(form->MailText(), u"taro@icloud.com"_s);
    EXPECT_EQ(form->Pop3Text()->text(), u"pop.mine.jp"_s);
    EXPECT_EQ(form->SmtpText()->text(), u"smtp.mail.me.com:587"_s);
    EXPECT_TRUE(form->NoteLabel()->text().contains(u"POP3 に対応していない"_s));
    form->MailText()->clear();
    QTest::keyClicks(form->MailText(), u"taro@unknown.example.jp"_s);
    EXPECT_EQ(form->Pop3Text()->text(), u"pop.mine.jp"_s);
    EXPECT_EQ(form->SmtpText()->text(), QString());
    EXPECT_TRUE(form->NoteLabel()->text().startsWith(u"サーバー名が空のまま"_s));

    // The check refuses to run without an ID and password, and says where they go.
    QTest::mouseClick(form->TestCommand(), Qt::LeftButton);
    ASSERT_EQ(dialogs_.MessageTexts().size(), 1);
    EXPECT_TRUE(dialogs_.MessageTexts()[0].contains(u"「ID/PASS」"_s));
}

TEST_F(SettingsDialogsTest, MailCheckOpensIdPassWithItsOwnValues) {
    ASSERT_TRUE(SaveCredentials(u"file-id"_s, QString(), true));
    OpenIdPassDialog(u"file-id"_s, QString());
    IdPassForm* form = Registry().Find<IdPassForm>();
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->IdText()->text(), u"file-id"_s);
    EXPECT_EQ(form->PassText()->text(), QString());
    OpenIdPassDialog(u"a"_s, u"b"_s);
    EXPECT_EQ(Registry().Find<IdPassForm>(), form);
    EXPECT_EQ(form->PassText()->text(), u"b"_s);
}

} // namespace
} // namespace ricorne
