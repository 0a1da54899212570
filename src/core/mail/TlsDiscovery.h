// Finding TLS by itself for a server written as a bare host ("mail.example.jp": no scheme, no
// port). Most providers have closed the plain ports, so the TLS ports go first: POP3S 995, then
// 110 with STLS; SMTPS 465, then 587 and 25 with STARTTLS. The engines try them in that order
// and report what worked in the explicit form, which the caller writes back into the settings:
// from then on the server is no longer bare and the refusal rules of the explicit form hold.
#pragma once

#include "core/mail/ServerAddress.h"

#include <QList>
#include <QString>

namespace ricorne {

struct TlsCandidate {
    quint16 port = 0;
    bool implicitTls = false; // false: the plain port, upgraded by STLS / STARTTLS
};

// The ports tried for a bare host, in order. This is the only place they are listed.
QList<TlsCandidate> DefaultTlsCandidates(MailProtocol protocol);

// True for "host" alone (after blanks are trimmed): no scheme, no port, no brackets.
bool IsBareServer(const QString& text, MailProtocol protocol);

// The explicit form of a candidate that worked: "pop3s://host" (":port" when not the standard
// one) for TLS from the start, "host:port" for an upgraded plain port.
QString ExplicitServerText(const QString& host, const TlsCandidate& candidate, MailProtocol protocol);

// Where a resolved form goes: the matching server field of AccountSettings, when it still holds
// the bare text that was resolved, and then "klmail.ini". False when the file could not be written.
bool AdoptResolvedServer(MailProtocol protocol, const QString& bareText, const QString& resolved);

} // namespace ricorne
