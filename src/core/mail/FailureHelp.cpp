#include "core/mail/FailureHelp.h"

#include <initializer_list>

namespace ricorne {

namespace {

bool ContainsAny(const QString& text, std::initializer_list<const char*> needles) {
    for (const char* needle : needles)
        if (text.contains(QLatin1String(needle), Qt::CaseInsensitive))
            return true;
    return false;
}

bool IsGoogle(const QString& domain) {
    return domain == QLatin1String("gmail.com") || domain == QLatin1String("googlemail.com");
}

bool IsApple(const QString& domain) {
    return domain == QLatin1String("icloud.com") || domain == QLatin1String("me.com") ||
           domain == QLatin1String("mac.com");
}

QString AppPasswordSteps(const QString& domain) {
    if (IsGoogle(domain))
        return QStringLiteral(u"Google アカウントで 2 段階認証プロセスを有効にしてから、Google アカウントの"
                              u"「セキュリティ」→「アプリ パスワード」でパスワード (16 文字) を作り、"
                              u"ID/PASS の Password に入力して下さい。Gmail の設定で POP を有効にすることも"
                              u"必要です。");
    if (IsApple(domain))
        return QStringLiteral(
            u"Apple アカウントのページの「サインインとセキュリティ」→「App 用パスワード」で"
            u"パスワードを作り、ID/PASS の Password に入力して下さい。ID はメールアドレスです。");
    return QStringLiteral(u"プロバイダーの会員ページでメールソフト用のパスワード (アプリ パスワード) を作り、"
                          u"ID/PASS の Password に入力して下さい。");
}

} // namespace

MailFailureKind ClassifyMailFailure(const QString& text) {
    if (text.contains(QStringLiteral(u"パスワードを送らずに中止しました")))
        return MailFailureKind::NoTls;
    if (ContainsAny(text, {"host name did not match", "hostname mismatch"}))
        return MailFailureKind::CertificateName;
    if (text.contains(QStringLiteral(u"の証明書を確認できません")))
        return MailFailureKind::CertificateOther;
    if (ContainsAny(text, {"basic authentication is disabled", "5.7.139", "BasicAuthBlocked", "LogonDenied"}))
        return MailFailureKind::PasswordsRetired;
    if (ContainsAny(text, {"application-specific password", "app password", "5.7.9", "WebLoginRequired",
                           "web login required", "log in via your web browser", "5.7.14"}))
        return MailFailureKind::AppPasswordRequired;
    if (ContainsAny(text, {"too many", "maximum number of connections", "mail_max_userip_connections",
                           "connection limit"}))
        return MailFailureKind::TooManyConnections;
    if (ContainsAny(text, {"[IN-USE]", "mailbox is locked", "mailbox locked", "maildrop already locked",
                           "unable to lock", "already in use", "locked by another"}))
        return MailFailureKind::MailboxLocked;
    // The server's own trouble is not a wrong password (nor, for OAuth, a reason to sign in again).
    if (ContainsAny(text, {"[SYS/TEMP]", "[SYS/PERM]", " 454 ", " 454-"}))
        return MailFailureKind::Unknown;
    if (text.contains(QStringLiteral(u"ログインできません")) &&
        ContainsAny(text, {"-ERR", " 535", " 534", " 530", "authentication failed", "invalid credentials",
                           "bad password", "password"}))
        return MailFailureKind::WrongPassword;
    return MailFailureKind::Unknown;
}

QString MailFailureHelp(MailFailureKind kind, SignInKind signIn, const QString& domain) {
    if (signIn == SignInKind::OAuth &&
        (kind == MailFailureKind::WrongPassword || kind == MailFailureKind::AppPasswordRequired))
        kind = MailFailureKind::PasswordsRetired;
    if (signIn == SignInKind::AppPassword && kind == MailFailureKind::WrongPassword)
        kind = MailFailureKind::AppPasswordRequired;
    switch (kind) {
    case MailFailureKind::WrongPassword:
        return QStringLiteral(u"ID かパスワードが違います。設定の「ID/PASS」で、プロバイダーから届いた"
                              u"資料のとおりに入力し直して下さい (大文字と小文字は区別されます)。");
    case MailFailureKind::AppPasswordRequired:
        return QStringLiteral(u"このプロバイダーでは、いつものパスワードではログインできません。") +
               AppPasswordSteps(domain);
    case MailFailureKind::PasswordsRetired:
        return QStringLiteral(u"このプロバイダー (Outlook.com・Hotmail など) はパスワードでのログインを"
                              u"やめ、OAuth によるサインインだけを受け付けます。設定の「ID/PASS」で"
                              u"クライアント ID を入れ、「サインイン」を押して下さい。");
    case MailFailureKind::TooManyConnections:
        return QStringLiteral(u"サーバーへの接続が多すぎます。ほかのメールソフトやスマートフォンが同じ"
                              u"アカウントを使っていないか確かめ、数分待ってからやり直して下さい。");
    case MailFailureKind::MailboxLocked:
        return QStringLiteral(u"メールボックスをほかのメールソフト (スマートフォンなど) が使用中です。"
                              u"そちらの受信が終わるのを待つか、そちらを閉じてからやり直して下さい。");
    case MailFailureKind::CertificateName:
        return QStringLiteral(u"サーバーの証明書が別の名前のものです。サーバー名の綴りを確かめ、"
                              u"プロバイダーの資料にある SSL 用のサーバー名を入力して下さい。");
    case MailFailureKind::CertificateOther:
        return QStringLiteral(u"サーバーの証明書を確認できないため、安全のため接続をやめました。"
                              u"サーバー名を確かめて下さい。自前のサーバーなら、その認証局の証明書を"
                              u"★MailData フォルダの ca-certificates.pem に置いて下さい。");
    case MailFailureKind::NoTls:
        return QStringLiteral(u"このサーバー名とポートでは暗号化 (STLS / STARTTLS) が使えません。"
                              u"プロバイダーの資料に「SSL」「ポート 995」(送信は「465」) とあれば、"
                              u"pop3s://サーバー名 (送信は smtps://サーバー名) と入力して下さい。");
    case MailFailureKind::Unknown:
        break;
    }
    return {};
}

QString ExplainMailFailure(const QString& text, const ProviderSuggestion& provider) {
    const QString help = MailFailureHelp(
        ClassifyMailFailure(text), provider.found ? provider.signIn : SignInKind::Password, provider.domain);
    if (help.isEmpty())
        return text;
    return help + QStringLiteral("\n\n") + text;
}

QString SessionStepName(SessionStep step) {
    switch (step) {
    case SessionStep::Connect:
        return QStringLiteral(u"接続");
    case SessionStep::Tls:
        return QStringLiteral(u"暗号化 (証明書の確認)");
    case SessionStep::Capabilities:
        return QStringLiteral(u"サーバーの機能の確認");
    case SessionStep::Login:
        return QStringLiteral(u"ログイン");
    case SessionStep::Logout:
        return QStringLiteral(u"ログアウト");
    }
    return {};
}

QString SessionStepHelp(SessionStep step) {
    switch (step) {
    case SessionStep::Connect:
        return QStringLiteral(
            u"サーバー名とポートを確かめ、インターネットにつながっているか確かめて下さい。");
    case SessionStep::Tls:
        return QStringLiteral(u"サーバー名がプロバイダーの資料のとおりか確かめて下さい。");
    case SessionStep::Capabilities:
        return QStringLiteral(u"サーバーが POP3 / SMTP として応答していません。ポート番号を確かめて下さい。");
    case SessionStep::Login:
        return QStringLiteral(u"ID とパスワードを確かめて下さい。");
    case SessionStep::Logout:
        return QStringLiteral(u"ログインはできています。しばらくしてからもう一度お試し下さい。");
    }
    return {};
}

} // namespace ricorne
