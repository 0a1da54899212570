// The Japanese texts of the OAuth sign-in.
#pragma once

#include <QString>

namespace ricorne::oauth {

QString NoOAuthForAddressText(const QString& address); // the provider table has no OAuth line
QString NoClientIdText(const QString& provider);       // an OAuth-only provider and no client ID
QString NotSignedInText(const QString& provider);      // no refresh token saved
QString SignInExpiredText(const QString& provider);    // refresh token revoked or expired
QString TokenStillRefusedText();                       // a fresh token was refused too
QString ServerUnreachableText(const QString& detail);
QString ServerErrorText(const QString& error, const QString& description);
QString StateMismatchText();
QString BrowserTimeoutText();
QString DeviceExpiredText();
QString DeniedText();
QString LoopbackPageOk();
QString LoopbackPageFailed();
QString SaveFailedText(const QString& detail);
QString SignedInText(const QString& provider);

} // namespace ricorne::oauth
