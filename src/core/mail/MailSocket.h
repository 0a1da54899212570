// One blocking connection to a mail server over QSslSocket, for the POP3 and SMTP engines.
//
// Every call blocks the calling thread with the socket's waitFor* functions; no event loop
// runs and nothing is re-entered. Every wait is bounded: connecting and TLS handshakes by
// the connect timeout, every wait for the next bytes by the idle timeout, and a read that
// trickles by the progress floor. Lines are bounded too. A failure leaves a Japanese text (naming the server)
// in Error(); after a timeout or a dropped connection the socket is closed and stays closed.
#pragma once

#include "core/mail/ServerAddress.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <memory>

class QSslSocket;

namespace ricorne {

// A server's reply line as it may appear in a failure text: control characters blanked,
// at most 300 characters.
QString ServerReplyText(const QByteArray& line);

// How far a session got: a failure names the step it failed in.
enum class SessionStep { Connect, Tls, Capabilities, Login, Logout };

struct MailTimeouts {
    int connectMs = 30000; // TCP connect plus TLS handshake
    int idleMs = 60000;    // longest wait for any byte from the server
    // A server that sends a byte now and then never meets the idle timeout: every read (a
    // reply line, a whole mail) must also bring progressFloorBytes in each progressWindowMs.
    int progressWindowMs = 60000;
    qint64 progressFloorBytes = 1024;
};

class MailSocket {
public:
    enum class Status { Ok, Timeout, Closed, TooLong };

    // protocolName is the word the failure texts use ("POP3", "SMTP").
    MailSocket(const QString& protocolName, MailTimeouts timeouts, const QString& caFile);
    ~MailSocket();
    MailSocket(const MailSocket&) = delete;
    MailSocket& operator=(const MailSocket&) = delete;

    // TCP connect, and the TLS handshake at once for an implicit-TLS address. The server's
    // certificate is checked against the system store plus caFile (when it exists).
    bool Connect(const ServerAddress& address);
    // Which certificates the next TLS handshake trusts: the system store, or only those in
    // caFile. When caFile exists the engines try it first (it is there for a private server)
    // and, when the certificate is rejected, connect once more trusting the system store:
    // together that is "the system store plus caFile" without reading the whole system
    // store for every connection.
    enum class Trust { System, ExtraFile };
    void SetTrust(Trust trust) { trust_ = trust; }
    bool HasExtraCa() const;
    // True when the last handshake failed because the certificate did not verify.
    bool CertificateRejected() const { return certificateRejected_; }
    // True when the last Connect or StartTls failed in the TLS handshake.
    bool TlsFailed() const { return tlsFailed_; }

    // TLS on the open connection (after STLS / STARTTLS was accepted). Fails when the server
    // had already sent bytes past its reply: they would be plain text posing as protected.
    bool StartTls();

    // Writes all of data, waiting until the socket has handed it to the system.
    bool Write(const QByteArray& data);

    // The next line without its line end (CR LF or LF). A line longer than maxLength gives
    // TooLong (without waiting for its end: the connection is then out of step).
    Status ReadLine(QByteArray* line, qsizetype maxLength);

    // A dot-terminated multi-line block (POP3): lines are dot-unstuffed and appended with
    // CR LF; the final "." line is consumed. When a line exceeds maxLine or the block would
    // exceed maxTotal, the rest of the block is read and thrown away (so the connection stays
    // usable), *out is cleared and TooLong (line) is returned, or Ok with *overflowTotal set.
    // A server that goes on past twice maxTotal is cut off (Closed). sizeHint (the size the
    // server announced, when known) only sizes the buffer.
    Status ReadDotBlock(QByteArray* out, qsizetype maxLine, qint64 maxTotal, bool* overflowTotal,
                        qint64 sizeHint = 0);

    bool HasBufferedInput() const { return pos_ < buffer_.size(); }
    bool IsOpen() const;
    bool IsEncrypted() const;
    void Abort();

    // Text for the last failure of Connect, StartTls, Write or a read (Timeout / Closed).
    const QString& Error() const { return error_; }
    QString LocalAddressLiteral() const; // "[127.0.0.1]" for EHLO
    QString PeerLabel() const;           // "host:port" as given

private:
    bool Fill();          // reads more bytes into buffer_; false on timeout or close (error_ set)
    void BeginProgress(); // a read starts: its first progress window
    bool TooSlow();       // the window has ended with less than the floor (else starts the next)
    // A wait that ended without progress: timeout or closed, with its text; aborts the socket.
    bool FailWait(const QString& timeoutText);
    void Compact();
    void SetupTls();
    bool FailTls();

    QString protocol_;
    MailTimeouts timeouts_;
    QString caFile_;
    ServerAddress address_;
    std::unique_ptr<QSslSocket> socket_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    QString error_;
    Status status_ = Status::Ok;
    bool tlsConfigured_ = false;
    bool certificateRejected_ = false;
    bool tlsFailed_ = false;
    Trust trust_ = Trust::System;
    QElapsedTimer window_;
    qint64 windowBytes_ = 0;
};

} // namespace ricorne
