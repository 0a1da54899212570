// Helpers for tests that talk to the mail test servers (scripts/testservers, started by the
// CTest fixture "mailservers"). The harness folder reaches a test through the environment
// variable RICORNE_TEST_SERVERS; without it HarnessDir() is empty and server tests skip.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ricorne::testing {

constexpr int kPop3Port = 11110;        // POP3, offers STLS; APOP
constexpr int kPop3sPort = 11995;       // POP3 over implicit TLS
constexpr int kSubmissionPort = 12587;  // SMTP submission: STARTTLS, AUTH required
constexpr int kSubmissionsPort = 12465; // SMTP submission over implicit TLS, AUTH required
constexpr int kSmtpPort = 12525;        // plain SMTP, no AUTH, delivers into the maildirs

struct TestUser {
    const char* name;
    const char* password;
};
constexpr TestUser kAlice{"alice", "secret1"};
constexpr TestUser kBob{"bob", "secret2"};
constexpr TestUser kBench{"bench", "benchpw"};

// A QCoreApplication for the process, created on first call (sockets and codecs want one).
void EnsureCoreApplication();

QString HarnessDir();                     // empty when the servers are not running for this test
QString CertPath();                       // the servers' self-signed certificate (PEM), also the test CA
QString MaildirPath(const QString& user); // <harness>/mail/<user>/Maildir

// Empties a user's maildir, Dovecot's index files included. Call it only while no POP3
// session of that user is open.
bool ClearMaildir(const QString& user);
// Puts one mail into Maildir/new as Dovecot expects it (owner mail:mail, mode 0644). Mails
// dropped later sort later, so they get higher POP3 numbers.
bool DropMail(const QString& user, const QByteArray& raw);
// Files in new/ and cur/, in name order (= delivery order), and their contents.
QStringList MailFiles(const QString& user);
QList<QByteArray> ReadMails(const QString& user);
// Polls until the maildir holds at least count mails (OpenSMTPD delivers a few ms after its
// reply). False on timeout.
bool WaitForMails(const QString& user, int count, int timeoutMs = 10000);

// Copies the servers' certificate to <folder>/ca-certificates.pem (the program's trusted-CA
// file in its mail data folder), creating the folder when needed.
bool InstallCaCertificate(const QString& folder);

} // namespace ricorne::testing

// In a TEST body: skips the test when the servers are not available.
#define RICORNE_REQUIRE_TEST_SERVERS()                                                                       \
    do {                                                                                                     \
        if (::ricorne::testing::HarnessDir().isEmpty())                                                      \
            GTEST_SKIP() << "mail test servers not running (RICORNE_TEST_SERVERS unset)";                    \
    } while (0)
