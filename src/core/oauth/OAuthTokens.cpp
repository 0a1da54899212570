#include "core/oauth/OAuthTokens.h"

#include "core/oauth/OAuthTexts.h"
#include "core/paths/Paths.h"
#include "core/settings/ProfileFile.h"

#include <QDateTime>

namespace ricorne::oauth {

namespace {

const QString kSection = QStringLiteral("OAUTH");
constexpr qsizetype kMaxValue = 16384; // real refresh tokens run to a few KB

struct Cached {
    QString address;
    QByteArray token;
    QDateTime renewAt;
};
Cached& Memory() {
    static Cached cached;
    return cached;
}

QString Read(const char* key) {
    return ReadProfileString(TokenFile(), kSection, QString::fromLatin1(key), kMaxValue);
}

platform::ReplaceResult Write(const QList<QPair<QString, QString>>& entries) {
    EnsureInstalledFolders();
    return WriteProfileStrings(TokenFile(), kSection, entries, true);
}

void Remember(const QString& address, const TokenReply& reply) {
    const qint64 life = reply.expiresIn;
    const qint64 early = life < 120 ? life / 2 : 60;
    Memory() = {address, reply.accessToken, QDateTime::currentDateTimeUtc().addSecs(life - early)};
}

// Keeps what a token answer brings: a rotated refresh token replaces the saved one.
platform::ReplaceResult Keep(const QString& address, const QString& user, const TokenReply& reply) {
    Remember(address, reply);
    if (reply.refreshToken.isEmpty())
        return {};
    return Write({{QStringLiteral("REFRESH"), QString::fromLatin1(reply.refreshToken)},
                  {QStringLiteral("USER"), user}});
}

} // namespace

QString TokenFile() {
    return ResolvePath(u'\\' + MailDataDir() + QStringLiteral("\\oauth.ini"));
}

QString SavedClientId() {
    return Read("CLIENT").simplified();
}

platform::ReplaceResult SaveClientId(const QString& clientId) {
    return Write({{QStringLiteral("CLIENT"), clientId.simplified()}});
}

QByteArray SavedRefreshToken() {
    return Read("REFRESH").toLatin1();
}

QString SavedUser() {
    return Read("USER");
}

QString ClientIdFor(const OAuthEndpoints& endpoints) {
    const QString saved = SavedClientId();
    return saved.isEmpty() ? endpoints.clientId : saved;
}

QString ProviderLabel(const OAuthEndpoints& endpoints) {
    QString name = endpoints.name;
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

bool AccountUsesOAuth(const QString& address) {
    const ProviderTable table = ProviderTable::Load(AppDir() + u'/' + ProviderTableFileName());
    if (!table.OAuthFor(address))
        return false;
    return table.Suggest(address).signIn == SignInKind::OAuth || !SavedRefreshToken().isEmpty();
}

void ForgetAccessToken() {
    Memory() = {};
}

AccessToken CurrentAccessToken(const QString& address, bool forceRefresh) {
    AccessToken result;
    const OAuthEndpoints endpoints = OAuthForAddress(address);
    if (endpoints.name.isEmpty()) {
        result.text = NoOAuthForAddressText(address);
        return result;
    }
    const Cached& cached = Memory();
    if (!forceRefresh && cached.address == address && !cached.token.isEmpty() &&
        QDateTime::currentDateTimeUtc() < cached.renewAt) {
        result.ok = true;
        result.token = cached.token;
        return result;
    }
    ForgetAccessToken();
    const QString label = ProviderLabel(endpoints);
    const QString clientId = ClientIdFor(endpoints);
    const QByteArray refresh = SavedRefreshToken();
    if (clientId.isEmpty() || refresh.isEmpty()) {
        result.needsSignIn = true;
        result.text = clientId.isEmpty() ? NoClientIdText(label) : NotSignedInText(label);
        return result;
    }
    const TokenReply reply = Flow(endpoints, clientId).Refresh(refresh);
    if (!reply.ok) {
        if (reply.Refused()) {
            // Revoked or expired: trying it again can only fail, so it goes, and the next
            // attempt asks for a sign-in without bothering the server.
            Write({{QStringLiteral("REFRESH"), QString()}});
            result.needsSignIn = true;
            result.text = SignInExpiredText(label);
        } else {
            result.text = reply.text;
        }
        return result;
    }
    const platform::ReplaceResult saved = Keep(address, SavedUser(), reply);
    result.ok = true;
    result.token = reply.accessToken;
    if (!saved) // the new token works now; the rotated refresh token is lost for later
        result.text = SaveFailedText(saved.Text());
    return result;
}

SignInResult SignIn(const QString& address, const QString& user, const SignInOptions& options) {
    SignInResult result;
    const OAuthEndpoints endpoints = OAuthForAddress(address);
    if (endpoints.name.isEmpty()) {
        result.text = NoOAuthForAddressText(address);
        return result;
    }
    const QString label = ProviderLabel(endpoints);
    const QString clientId = ClientIdFor(endpoints);
    if (clientId.isEmpty()) {
        result.text = NoClientIdText(label);
        return result;
    }
    Flow flow(endpoints, clientId);
    TokenReply reply;
    bool tried = false;
    if (!options.deviceFlow && options.openBrowser) {
        reply = flow.SignInWithBrowser(user, options.openBrowser, options.browserTimeoutMs);
        tried = reply.ok || !reply.text.isEmpty();
    }
    if (!tried) {
        if (endpoints.deviceUrl.isEmpty()) {
            result.text =
                QStringLiteral("ブラウザーを開けません。%1 のサインインにはブラウザーが必要です").arg(label);
            return result;
        }
        const DeviceCode code = flow.StartDevice();
        if (!code.ok) {
            result.text = code.text;
            return result;
        }
        if (options.showDeviceCode)
            options.showDeviceCode(code.userCode, code.verificationUri);
        reply = flow.WaitForDevice(code);
    }
    if (!reply.ok) {
        result.text = reply.text;
        return result;
    }
    if (reply.refreshToken.isEmpty()) { // without offline access every check would need a sign-in
        result.text = ServerErrorText(QStringLiteral("refresh_token"), QString());
        return result;
    }
    const platform::ReplaceResult saved = Keep(address, user, reply);
    if (!saved) {
        ForgetAccessToken();
        result.text = SaveFailedText(saved.Text());
        return result;
    }
    result.ok = true;
    result.text = SignedInText(label);
    return result;
}

} // namespace ricorne::oauth
