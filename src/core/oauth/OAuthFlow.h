// The OAuth 2.0 exchanges with a provider's authorization server, each blocking until done:
// - sign-in in the desktop browser: authorization code with PKCE (RFC 7636, S256) and a
//   loopback redirect (RFC 8252: http://127.0.0.1:PORT/ on a free port, answered once);
// - sign-in on another device: the device authorization grant (RFC 8628);
// - a new access token from the refresh token.
// Written over QNetworkAccessManager and QTcpServer: Debian 12's QtNetworkAuth (6.4) has
// neither PKCE nor the device flow.
#pragma once

#include "core/providers/ProviderTable.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

namespace ricorne::oauth {

struct TokenReply {
    bool ok = false;
    QByteArray accessToken;
    QByteArray refreshToken; // empty when the server kept the old one
    qint64 expiresIn = 3600; // seconds
    QString error;           // the server's error code ("invalid_grant"); empty for other failures
    QString text;            // Japanese, for the user
    bool Refused() const { return error == QLatin1String("invalid_grant"); }
};

struct DeviceCode {
    bool ok = false;
    QByteArray deviceCode;
    QString userCode;
    QString verificationUri;
    int interval = 5;    // seconds between polls
    int expiresIn = 900; // seconds
    QString text;        // Japanese, on failure
};

class Flow {
public:
    // clientId as the user gave it: the ID, optionally followed by a blank and the client secret
    // some providers hand desktop applications.
    Flow(OAuthEndpoints endpoints, const QString& clientId);

    // PKCE: a fresh verifier (43 characters of the unreserved set) and its S256 challenge.
    static QByteArray NewVerifier();
    static QByteArray Challenge(const QByteArray& verifier);

    // Opens the authorization page with openBrowser and waits (at most timeoutMs) for the
    // browser to come back to the loopback address. openBrowser returning false ends the
    // flow at once with text empty: no browser, the caller may try the device flow.
    TokenReply SignInWithBrowser(const QString& loginHint,
                                 const std::function<bool(const QUrl&)>& openBrowser, int timeoutMs = 300000);
    // The device flow: StartDevice asks for the code to show, then WaitForDevice polls until
    // the user approved, refused or the code ran out.
    DeviceCode StartDevice();
    TokenReply WaitForDevice(const DeviceCode& code);
    TokenReply Refresh(const QByteArray& refreshToken);

    const OAuthEndpoints& Endpoints() const { return endpoints_; }
    // How long one request may go without progress before it fails (a server that stops
    // mid-reply); 30 s unless set.
    void SetRequestTimeout(int ms) { requestTimeoutMs_ = ms; }

private:
    TokenReply TokenRequest(QList<QPair<QString, QString>> form);
    OAuthEndpoints endpoints_;
    QString clientId_;
    QString clientSecret_;
    int requestTimeoutMs_ = 30000;
};

} // namespace ricorne::oauth
