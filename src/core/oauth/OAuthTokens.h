// The account's OAuth 2.0 sign-in: what is saved and the access token in memory.
//
// Saved in "★MailData\oauth.ini" beside the ID file, like the password (mode 0600, replaced
// whole and atomically): section OAUTH, CLIENT = the client ID the user entered, REFRESH = the
// refresh token, USER = the account it was issued for. The access token is never written down:
// it lives in this process only, and is renewed from the refresh token a minute before it runs
// out (half-way for tokens that live less than two minutes) and whenever a server refuses it.
// A refresh token the provider no longer accepts is deleted, so the next attempt asks for a
// sign-in instead of trying it again.
#pragma once

#include "core/oauth/OAuthFlow.h"
#include "core/platform/ReplaceFile.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace ricorne::oauth {

QString TokenFile(); // the real path of "★MailData\oauth.ini"

QString SavedClientId();
platform::ReplaceResult SaveClientId(const QString& clientId);
QByteArray SavedRefreshToken();
QString SavedUser();

// The account signs in with OAuth: its address has an OAuth line in the provider table and
// either the provider takes nothing else or a refresh token is saved.
bool AccountUsesOAuth(const QString& address);
// The client ID in use: the one the user entered, else the one in the table line.
QString ClientIdFor(const OAuthEndpoints& endpoints);
// "Microsoft" for "microsoft": the provider's name in texts.
QString ProviderLabel(const OAuthEndpoints& endpoints);

struct AccessToken {
    bool ok = false;
    QByteArray token;
    bool needsSignIn = false; // no usable refresh token: only a new sign-in helps
    QString text;             // Japanese, when not ok
};
// The access token for the account of address. forceRefresh: the server refused the one in
// memory, get a new one even when it has not run out.
AccessToken CurrentAccessToken(const QString& address, bool forceRefresh = false);
void ForgetAccessToken();

struct SignInOptions {
    // Opens the URL in a browser; false when none can be opened (then the device flow).
    std::function<bool(const QUrl&)> openBrowser;
    // Shows the device flow's code and the address to enter it at.
    std::function<void(const QString& userCode, const QString& verificationUri)> showDeviceCode;
    bool deviceFlow = false; // straight to the device flow
    int browserTimeoutMs = 300000;
};
struct SignInResult {
    bool ok = false;
    QString text; // Japanese: done, or what went wrong / what is missing
};
// Signs the account in (user = the login name the mail servers expect) and saves the refresh
// token. A provider without a device flow and no browser fails with the reason.
SignInResult SignIn(const QString& address, const QString& user, const SignInOptions& options);

} // namespace ricorne::oauth
