// OAuth 2.0 sign-in end to end: the test authorization server (scripts/testservers/
// oauth_server.py, PKCE and single-use codes checked, tokens rotating and expiring), Dovecot's
// oauth2 passdb asking it about every token, a scripted browser following the redirect, and the
// mail tool signing in by the device flow.
#include "TempAppDir.h"
#include "TestServers.h"
#include "core/mail/NMail.h"
#include "core/mail/Pop3Client.h"
#include "core/mail/SmtpClient.h"
#include "core/oauth/OAuthTexts.h"
#include "core/oauth/OAuthTokens.h"
#include "core/settings/AccountSettings.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace ricorne;
using namespace ricorne::testing;

namespace {

constexpr int kOAuthPort = 12080;
const QString kAddress = QStringLiteral("alice@example.jp");
const QString kSupport = QStringLiteral(RICORNE_TEST_SUPPORT_DIR);

QJsonObject Http(const QString& path, const QJsonObject& body = {}, bool get = false) {
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(kOAuthPort).arg(path)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QNetworkReply* reply = get ? manager.get(request)
                               : manager.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    reply->deleteLater();
    return answer;
}

int Grants(const char* kind) {
    return Http(QStringLiteral("/admin/log"), {}, true).value(QString::fromLatin1(kind)).toInt();
}

// The account of the test folder: an OAuth-only provider pointing at the test servers.
void WriteProviderTable(const QString& appDir, const QString& clientId) {
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(kOAuthPort);
    QFile file(appDir + QStringLiteral("/providers.tsv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        QStringLiteral("example.jp\t127.0.0.1\t11995\tssl\t127.0.0.1\t12587\tstarttls\toauth\ttest\n"
                       "oauth\ttest\texample.jp\t%1/authorize\t%1/token\t%1/device\tmail offline_access\t%2"
                       "\ttest\n")
            .arg(base, clientId)
            .toUtf8());
}

class OAuthEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        RICORNE_REQUIRE_TEST_SERVERS();
        EnsureCoreApplication();
        ASSERT_TRUE(app_.IsValid());
        ASSERT_TRUE(InstallCaCertificate(app_.DataDir()));
        WriteProviderTable(app_.Path(), QStringLiteral("ricorne-test"));
        AccountSettings().Pop3Server = QStringLiteral("pop3s://127.0.0.1:11995");
        AccountSettings().SmtpServer = QStringLiteral("127.0.0.1:12587");
        AccountSettings().FromAddress = kAddress;
        ASSERT_TRUE(SaveCredentials(QStringLiteral("alice"), QString(), true));
        Http(QStringLiteral("/admin/reset"), {{QStringLiteral("access_lifetime"), 3600}});
        oauth::ForgetAccessToken();
        ASSERT_TRUE(ClearMaildir(QStringLiteral("alice")));
        ASSERT_TRUE(ClearMaildir(QStringLiteral("bob")));
    }
    void TearDown() override { oauth::ForgetAccessToken(); }

    oauth::SignInResult SignInByBrowser(const QString& user = QStringLiteral("alice"),
                                        const QString& mode = QStringLiteral("honest")) {
        QProcess browser;
        oauth::SignInOptions options;
        options.browserTimeoutMs = 20000;
        options.openBrowser = [&](const QUrl& url) {
            browser.start(QStringLiteral("python3"), {kSupport + QStringLiteral("/oauth_browser.py"),
                                                      QString::fromLatin1(url.toEncoded()), mode});
            return true;
        };
        const oauth::SignInResult result = oauth::SignIn(kAddress, user, options);
        browser.waitForFinished(10000);
        return result;
    }

    // One POP3 login through the facade, as a mail check makes it: the mail count, or -1.
    int Pop3Login(QString* message = nullptr) {
        NMail mail;
        const int handle = mail.NMailPop3Connect(AccountSettings().Pop3Server);
        const int count =
            handle < 0 ? -1 : mail.NMailPop3Authenticate(handle, QStringLiteral("alice"), {}, 0);
        if (message)
            *message = mail.NMailGetMessage();
        if (handle >= 0)
            mail.NMailPop3Close(handle);
        return count;
    }

    TempAppDir app_;
};

// Sign-in in the browser, then receiving and sending with the saved sign-in; the token file
// holds the refresh token only, for the owner only.
TEST_F(OAuthEndToEnd, SignInThenReceiveAndSend) {
    const QByteArray subject = "=?UTF-8?B?" + QStringLiteral(u"会議のお知らせ").toUtf8().toBase64() + "?=";
    ASSERT_TRUE(DropMail(QStringLiteral("alice"),
                         "From: bob@example.jp\r\nSubject: " + subject + "\r\n\r\nbody\r\n"));

    const oauth::SignInResult result = SignInByBrowser();
    ASSERT_TRUE(result.ok) << result.text.toStdString();
    QFile tokens(oauth::TokenFile());
    EXPECT_EQ(tokens.permissions() & 0x0077, 0) << "group/other may read the token file";
    ASSERT_TRUE(tokens.open(QIODevice::ReadOnly));
    const QByteArray saved = tokens.readAll();
    EXPECT_TRUE(saved.contains("REFRESH=rt_"));
    EXPECT_FALSE(saved.contains("at_")) << "the access token stays in memory";

    NMail mail;
    const int handle = mail.NMailPop3Connect(AccountSettings().Pop3Server);
    ASSERT_GE(handle, 1) << mail.NMailGetMessage().toStdString();
    ASSERT_EQ(mail.NMailPop3Authenticate(handle, QStringLiteral("alice"), {}, 0), 1)
        << mail.NMailGetMessage().toStdString();
    QString s, date, sender, header;
    ASSERT_EQ(mail.NMailPop3GetMailStatus(handle, 1, s, date, sender, header), 1);
    EXPECT_EQ(s, QStringLiteral(u"会議のお知らせ"));
    mail.NMailPop3Close(handle);

    ASSERT_EQ(mail.NMailSmtpSendMail(AccountSettings().SmtpServer, QStringLiteral("bob@example.jp"), kAddress,
                                     QStringLiteral(u"返信"), QStringLiteral(u"了解しました。"), {}),
              1)
        << mail.NMailGetMessage().toStdString();
    EXPECT_TRUE(WaitForMails(QStringLiteral("bob"), 1));
    EXPECT_EQ(Grants("grant:authorization_code"), 1);
    EXPECT_EQ(Grants("grant:refresh_token"), 0) << "a fresh access token needs no refresh";
}

// A token is renewed before it runs out, and again when the server refuses it early.
TEST_F(OAuthEndToEnd, ExpiringAndRefusedTokensAreRenewed) {
    Http(QStringLiteral("/admin/reset"), {{QStringLiteral("access_lifetime"), 4}});
    ASSERT_TRUE(SignInByBrowser().ok);
    QString message;
    ASSERT_EQ(Pop3Login(&message), 0) << message.toStdString();
    EXPECT_EQ(Grants("grant:refresh_token"), 0);

    QThread::msleep(2200); // past half of its life: renewed while the server still takes it
    ASSERT_EQ(Pop3Login(&message), 0) << message.toStdString();
    EXPECT_EQ(Grants("grant:refresh_token"), 1);

    Http(QStringLiteral("/admin/kill-access"), {{QStringLiteral("user"), QStringLiteral("alice")}});
    const int introspected = Grants("introspect");
    ASSERT_EQ(Pop3Login(&message), 0) << message.toStdString();
    EXPECT_EQ(Grants("grant:refresh_token"), 2) << "the refused token was renewed once";
    EXPECT_EQ(Grants("introspect"), introspected + 2);
}

// A revoked sign-in ends in a request to sign in again, once: the dead refresh token is
// dropped and never tried again.
TEST_F(OAuthEndToEnd, RevokedSignInAsksForANewOneWithoutLooping) {
    ASSERT_TRUE(SignInByBrowser().ok);
    Http(QStringLiteral("/admin/revoke-refresh"), {{QStringLiteral("user"), QStringLiteral("alice")}});
    QString message;
    EXPECT_EQ(Pop3Login(&message), -1);
    EXPECT_EQ(message, oauth::SignInExpiredText(QStringLiteral("Test")));
    EXPECT_TRUE(oauth::SavedRefreshToken().isEmpty());
    EXPECT_EQ(Grants("grant:refresh_token"), 1);

    EXPECT_EQ(Pop3Login(&message), -1);
    EXPECT_EQ(message, oauth::NotSignedInText(QStringLiteral("Test")));
    EXPECT_EQ(Grants("grant:refresh_token"), 1) << "nothing more was asked of the token server";
}

// An answer to the loopback address that is not this sign-in's is refused and saves nothing.
TEST_F(OAuthEndToEnd, ForeignOrRefusedBrowserAnswersSaveNothing) {
    const struct {
        const char* user;
        const char* mode;
        QString expected;
    } rows[] = {
        {"alice", "wrong-state", oauth::StateMismatchText()},
        {"denied", "honest", oauth::DeniedText()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        const oauth::SignInResult result =
            SignInByBrowser(QString::fromLatin1(row.user), QString::fromLatin1(row.mode));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.text, row.expected);
        EXPECT_TRUE(oauth::SavedRefreshToken().isEmpty());
    }
    EXPECT_EQ(Grants("grant:authorization_code"), 0);
}

// A server that offers one of the two mechanisms gets that one (the proxy refuses the other),
// over POP3 and SMTP alike.
TEST_F(OAuthEndToEnd, ServerOfferingOneMechanismGetsThatOne) {
    ASSERT_TRUE(SignInByBrowser().ok);
    const QByteArray token = oauth::CurrentAccessToken(kAddress).token;
    ASSERT_FALSE(token.isEmpty());
    const QString cert = HarnessDir() + QStringLiteral("/tls/cert.pem");
    const QString key = HarnessDir() + QStringLiteral("/tls/key.pem");
    for (const char* protocol : {"pop3", "smtp"}) {
        for (const char* offered : {"XOAUTH2", "OAUTHBEARER"}) {
            SCOPED_TRACE(std::string(protocol) + " " + offered);
            const bool pop3 = QByteArray(protocol) == "pop3";
            const QString hidden =
                QByteArray(offered) == "XOAUTH2" ? QStringLiteral("OAUTHBEARER") : QStringLiteral("XOAUTH2");
            QProcess proxy;
            proxy.start(QStringLiteral("python3"),
                        {kSupport + QStringLiteral("/sasl_filter_proxy.py"), QString::fromLatin1(protocol),
                         cert, key, QString::number(pop3 ? kPop3Port : kSubmissionPort), hidden});
            ASSERT_TRUE(proxy.waitForReadyRead(5000));
            const int port = proxy.readLine().trimmed().toInt();
            ASSERT_GT(port, 0);
            if (pop3) {
                Pop3Client::Options options;
                options.caFile = cert;
                Pop3Client client(options);
                ASSERT_TRUE(client.Connect(QStringLiteral("pop3s://127.0.0.1:%1").arg(port)))
                    << client.Error().toStdString();
                EXPECT_EQ(client.LoginWithToken(QStringLiteral("alice"), token), 0)
                    << client.Error().toStdString();
                client.Quit();
            } else {
                SmtpClient::Options options;
                options.caFile = cert;
                options.tokenLogin = true;
                SmtpClient client(options);
                EXPECT_TRUE(client.CheckLogin(QStringLiteral("smtps://127.0.0.1:%1").arg(port),
                                              QStringLiteral("alice"), QString::fromLatin1(token)))
                    << client.Error().toStdString();
                EXPECT_EQ(client.UsedAuthMechanism(), QString::fromLatin1(offered));
            }
            proxy.kill();
            proxy.waitForFinished();
        }
    }
}

// The tool: an OAuth-only provider without a client ID says what is missing; with one, the
// device flow signs in (the code approved on "another device"), and check and send then use
// the saved sign-in in processes of their own.
TEST_F(OAuthEndToEnd, ToolSignsInByDeviceFlowThenChecksAndSends) {
    WriteProviderTable(app_.Path(), QStringLiteral("-"));
    ASSERT_TRUE(SaveServerSettings());
    const QString tool = QStringLiteral(RICORNE_MAILTOOL);
    QProcess run;
    run.start(tool, {QStringLiteral("account"), QStringLiteral("--sign-in"), QStringLiteral("--appdir"),
                     app_.Path()});
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(run.readAllStandardError())
                    .contains(oauth::NoClientIdText(QStringLiteral("Test"))));

    run.start(tool, {QStringLiteral("account"), QStringLiteral("--sign-in"), QStringLiteral("--appdir"),
                     app_.Path(), QStringLiteral("--device"), QStringLiteral("--client-id"),
                     QStringLiteral("ricorne-test")});
    QByteArray out;
    const QRegularExpression codeLine(QStringLiteral("\"userCode\":\"([0-9A-F]+)\""));
    QRegularExpressionMatch match;
    while (!(match = codeLine.match(QString::fromUtf8(out))).hasMatch() && run.waitForReadyRead(10000))
        out += run.readAllStandardOutput();
    ASSERT_TRUE(match.hasMatch()) << out.toStdString();
    // The user types the code while the tool is already polling (and told to wait).
    for (int i = 0; i < 100 && Grants("grant:urn:ietf:params:oauth:grant-type:device_code") == 0; ++i)
        QThread::msleep(100);
    Http(QStringLiteral("/device/approve?user_code=%1&user=alice").arg(match.captured(1)), {}, true);
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    EXPECT_GE(Grants("grant:urn:ietf:params:oauth:grant-type:device_code"), 2);

    ASSERT_TRUE(DropMail(QStringLiteral("alice"), "Subject: t\r\n\r\nbody\r\n"));
    run.start(tool, {QStringLiteral("check"), QStringLiteral("--appdir"), app_.Path()});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().toStdString()
                                 << run.readAllStandardError().toStdString();

    QFile body(app_.FilePath(QStringLiteral("body.txt")));
    ASSERT_TRUE(body.open(QIODevice::WriteOnly));
    body.write(QStringLiteral(u"本文です。\n").toUtf8());
    body.close();
    run.start(tool, {QStringLiteral("send"), QStringLiteral("--appdir"), app_.Path(), QStringLiteral("--to"),
                     QStringLiteral("bob@example.jp"), QStringLiteral("--subject"), QStringLiteral(u"件名"),
                     QStringLiteral("--body-file"), body.fileName()});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    EXPECT_TRUE(WaitForMails(QStringLiteral("bob"), 1));
}

} // namespace
