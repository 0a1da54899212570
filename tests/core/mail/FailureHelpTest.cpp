// Known server answers become Japanese help; the raw text stays below it.
#include "core/mail/FailureHelp.h"
#include "core/mail/TlsMemory.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

struct Row {
    const char16_t* text;
    MailFailureKind kind;
};

class FailureKinds : public ::testing::TestWithParam<Row> {};

TEST_P(FailureKinds, ServerAnswersAreRecognised) {
    EXPECT_EQ(ClassifyMailFailure(QString::fromUtf16(GetParam().text)), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FailureKinds,
    ::testing::Values(
        Row{u"POP3 サーバーにログインできません: -ERR [AUTH] Authentication failed.",
            MailFailureKind::WrongPassword},
        Row{u"SMTP サーバーにログインできません: 535 5.7.8 Error: authentication failed",
            MailFailureKind::WrongPassword},
        Row{u"SMTP サーバーにログインできません: 534-5.7.9 Application-specific password required.",
            MailFailureKind::AppPasswordRequired},
        Row{u"SMTP サーバーにログインできません: 535 5.7.139 Authentication unsuccessful, basic "
            u"authentication "
            u"is disabled.",
            MailFailureKind::PasswordsRetired},
        Row{u"POP3 サーバーにログインできません: -ERR [LOGIN-DELAY] Maximum number of connections from "
            u"user+IP "
            u"exceeded (mail_max_userip_connections=10)",
            MailFailureKind::TooManyConnections},
        Row{u"POP3 サーバーにログインできません: -ERR [IN-USE] Couldn't open INBOX: Mailbox is locked",
            MailFailureKind::MailboxLocked},
        Row{u"POP3 サーバー pop.example.jp の証明書を確認できません (安全な接続ではありません): The host "
            u"name did "
            u"not match any of the valid hosts for this certificate",
            MailFailureKind::CertificateName},
        Row{u"POP3 サーバー pop.example.jp の証明書を確認できません (安全な接続ではありません): The "
            u"certificate "
            u"is self-signed, and untrusted",
            MailFailureKind::CertificateOther},
        Row{u"POP3 サーバー 127.0.0.1:110 に接続できません: Connection refused", MailFailureKind::Unknown},
        Row{u"POP3 サーバーにログインできません: -ERR [SYS/TEMP] Temporary authentication failure.",
            MailFailureKind::Unknown},
        Row{u"SMTP サーバーにログインできません: 454 4.7.0 Temporary authentication failure",
            MailFailureKind::Unknown},
        Row{u"POP3 サーバーが APOP に対応していません", MailFailureKind::Unknown}));

TEST(FailureHelp, NoStlsIsExplainedAndTheProviderDecidesWhichPasswordHelpFits) {
    ServerAddress bare = ParseServerAddress(u"pop.example.jp"_s, MailProtocol::Pop3);
    EXPECT_EQ(ClassifyMailFailure(NoEncryptionText(u"POP3"_s, bare)), MailFailureKind::NoTls);

    const QString refused = u"POP3 サーバーにログインできません: -ERR [AUTH] Authentication failed."_s;
    ProviderSuggestion gmail;
    gmail.found = true;
    gmail.domain = u"gmail.com"_s;
    gmail.signIn = SignInKind::AppPassword;
    const QString explained = ExplainMailFailure(refused, gmail);
    EXPECT_TRUE(
        explained.startsWith(u"このプロバイダーでは、いつものパスワードではログインできません。Google"_s))
        << explained.toStdString();
    EXPECT_TRUE(explained.endsWith(u"\n\n"_s + refused)); // the raw line stays below

    ProviderSuggestion outlook = gmail;
    outlook.domain = u"outlook.jp"_s;
    outlook.signIn = SignInKind::OAuth;
    EXPECT_TRUE(ExplainMailFailure(refused, outlook).contains(u"OAuth"_s));

    EXPECT_TRUE(ExplainMailFailure(refused, {}).startsWith(u"ID かパスワードが違います"_s));
    EXPECT_EQ(ExplainMailFailure(u"何か別の失敗"_s, gmail), u"何か別の失敗"_s);
}

} // namespace
