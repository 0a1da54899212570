// Texts of the settings windows added for the first connection: what the provider table says
// about the typed address, and the account check.
#pragma once

#include <QString>

namespace ricorne {

QString ProviderOAuthOnlyText();   // servers filled, but sign-in needs OAuth
QString ProviderAppPasswordText(); // servers filled; an app password is needed
QString ProviderNoPop3Text();      // the provider has no POP3 (iCloud)
QString ProviderFilledText();      // servers filled from the table
QString ProviderHintText();        // what typing the address does (nothing else to say)
// What a screen reader calls the ID and password boxes and the save tick.
QString IdBoxName();             // "ID"
QString PasswordBoxName();       // "パスワード"
QString SaveIdPassName();        // "IDパスワードを保存する"
QString TestConnectionCaption(); // "接続テスト(&T)"
QString TestConnectionTitle();   // title of the check's message
QString TestNeedsServerText();   // no POP3 server typed
QString TestNeedsIdPassText();   // no ID or password yet
QString TestPassedText();        // before the report of a check that passed
// The OAuth row of the ID/PASS window (only for a provider with OAuth sign-in).
QString ClientIdLabel();                                             // "クライアント ID"
QString SignInCaption();                                             // "サインイン"
QString SignInWaitingText();                                         // while the browser is open
QString DeviceCodeText(const QString& code, const QString& address); // the device flow's code
QString ClientIdSaveFailedText(const QString& detail);

// The check before a send, in the settings window.
QString SendCheckOptionCaption(); // "送信前の確認(&C)"
QString SendCheckOptionHelp();    // what the option does, as hover help and description
QString SendDelayCaption();       // "確認後の待ち時間(&W)"
QString SendDelaySuffix();        // " 秒"
QString SendCheckSaveFailedText(const QString& why);

} // namespace ricorne
