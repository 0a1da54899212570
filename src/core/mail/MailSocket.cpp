#include "core/mail/MailSocket.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QSslSocket>

#include <algorithm>

namespace ricorne {

QString ServerReplyText(const QByteArray& line) {
    QString text = QString::fromUtf8(line);
    for (QChar& c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    }
    if (text.size() > 300)
        text = text.left(300) + QStringLiteral("…");
    return text;
}

MailSocket::MailSocket(const QString& protocolName, MailTimeouts timeouts, const QString& caFile)
    : protocol_(protocolName), timeouts_(timeouts), caFile_(caFile) {}

MailSocket::~MailSocket() {
    Abort();
}

QString MailSocket::PeerLabel() const {
    return ServerLabel(address_);
}

void MailSocket::SetupTls() {
    if (tlsConfigured_)
        return;
    tlsConfigured_ = true;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    if (trust_ == Trust::ExtraFile)
        config.setCaCertificates(QSslCertificate::fromPath(caFile_, QSsl::Pem));
    // Trust::System keeps Qt's default: the system store, looked up certificate by
    // certificate as needed (reading the whole store costs 0.1-0.2 s per connection).
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket_->setSslConfiguration(config);
    socket_->setPeerVerifyName(address_.host);
}

bool MailSocket::HasExtraCa() const {
    return !caFile_.isEmpty() && QFile::exists(caFile_);
}

bool MailSocket::FailTls() {
    const auto errors = socket_->sslHandshakeErrors();
    certificateRejected_ = !errors.isEmpty();
    tlsFailed_ = true;
    if (!errors.isEmpty()) {
        QStringList reasons;
        for (const QSslError& e : errors) {
            if (!reasons.contains(e.errorString()))
                reasons << e.errorString();
        }
        error_ = QStringLiteral("%1 サーバー %2 の証明書を確認できません (安全な接続ではありません): %3")
                     .arg(protocol_, address_.host, reasons.join(QStringLiteral("; ")));
    } else if (socket_->error() == QAbstractSocket::SocketTimeoutError) {
        error_ = QStringLiteral("%1 サーバー %2 と TLS で接続できません: %3 秒以内に応答がありません")
                     .arg(protocol_, PeerLabel())
                     .arg(timeouts_.connectMs / 1000);
    } else {
        error_ = QStringLiteral("%1 サーバー %2 と TLS で接続できません: %3")
                     .arg(protocol_, PeerLabel(), socket_->errorString());
    }
    status_ = Status::Closed;
    socket_->abort();
    return false;
}

bool MailSocket::Connect(const ServerAddress& address) {
    Abort();
    address_ = address;
    buffer_.clear();
    pos_ = 0;
    status_ = Status::Ok;
    tlsConfigured_ = false;
    certificateRejected_ = false;
    tlsFailed_ = false;
    socket_ = std::make_unique<QSslSocket>();
    socket_->setProxy(QNetworkProxy::NoProxy);
    socket_->setReadBufferSize(0);
    if (address.implicitTls) {
        SetupTls();
        socket_->connectToHostEncrypted(address.host, address.port);
    } else {
        socket_->connectToHost(address.host, address.port);
    }
    if (!socket_->waitForConnected(timeouts_.connectMs)) {
        const QString reason =
            socket_->error() == QAbstractSocket::SocketTimeoutError
                ? QStringLiteral("%1 秒以内に応答がありません").arg(timeouts_.connectMs / 1000)
                : socket_->errorString();
        error_ = QStringLiteral("%1 サーバー %2 に接続できません: %3").arg(protocol_, PeerLabel(), reason);
        status_ = Status::Closed;
        socket_->abort();
        return false;
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (address.implicitTls && !socket_->waitForEncrypted(timeouts_.connectMs))
        return FailTls();
    return true;
}

bool MailSocket::StartTls() {
    if (!IsOpen())
        return false;
    if (HasBufferedInput() || socket_->bytesAvailable() > 0) {
        error_ =
            QStringLiteral("%1 サーバー %2 が TLS の開始前に余分なデータを送ってきました。接続を中止します。")
                .arg(protocol_, PeerLabel());
        Abort();
        return false;
    }
    buffer_.clear();
    pos_ = 0;
    SetupTls();
    socket_->startClientEncryption();
    if (!socket_->waitForEncrypted(timeouts_.connectMs))
        return FailTls();
    return true;
}

bool MailSocket::IsOpen() const {
    return socket_ && status_ == Status::Ok && socket_->state() == QAbstractSocket::ConnectedState;
}

bool MailSocket::IsEncrypted() const {
    return socket_ && socket_->isEncrypted();
}

void MailSocket::Abort() {
    if (socket_) {
        socket_->abort();
        socket_.reset();
    }
    if (status_ == Status::Ok)
        status_ = Status::Closed;
}

QString MailSocket::LocalAddressLiteral() const {
    if (!socket_)
        return QStringLiteral("[127.0.0.1]");
    const QHostAddress local = socket_->localAddress();
    if (local.protocol() == QAbstractSocket::IPv6Protocol) {
        bool isV4 = false;
        const quint32 v4 = local.toIPv4Address(&isV4);
        if (isV4)
            return u'[' + QHostAddress(v4).toString() + u']';
        return QStringLiteral("[IPv6:") + local.toString() + u']';
    }
    return u'[' + local.toString() + u']';
}

bool MailSocket::Write(const QByteArray& data) {
    if (!IsOpen()) {
        if (error_.isEmpty())
            error_ = QStringLiteral("%1 サーバーに接続していません").arg(protocol_);
        return false;
    }
    if (socket_->write(data) != data.size()) {
        error_ = QStringLiteral("%1 サーバー %2 に送信できません: %3")
                     .arg(protocol_, PeerLabel(), socket_->errorString());
        status_ = Status::Closed;
        socket_->abort();
        return false;
    }
    while (socket_->bytesToWrite() > 0) {
        if (!socket_->waitForBytesWritten(timeouts_.idleMs))
            return FailWait(QStringLiteral("%1 サーバー %2 が %3 秒間データを受け取りません"));
    }
    return true;
}

bool MailSocket::FailWait(const QString& timeoutText) {
    if (socket_->error() == QAbstractSocket::SocketTimeoutError) {
        error_ = timeoutText.arg(protocol_, PeerLabel()).arg(timeouts_.idleMs / 1000);
        status_ = Status::Timeout;
    } else {
        error_ = QStringLiteral("%1 サーバー %2 との接続が切れました").arg(protocol_, PeerLabel());
        status_ = Status::Closed;
    }
    socket_->abort();
    return false;
}

void MailSocket::Compact() {
    if (pos_ == buffer_.size()) {
        buffer_.resize(0); // keeps the allocation for the next read
        pos_ = 0;
    } else if (pos_ > 65536 && pos_ > buffer_.size() / 2) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
}

void MailSocket::BeginProgress() {
    window_.start();
    windowBytes_ = 0;
}

bool MailSocket::TooSlow() {
    if (!window_.isValid() || window_.elapsed() < timeouts_.progressWindowMs)
        return false;
    if (windowBytes_ < timeouts_.progressFloorBytes)
        return true;
    BeginProgress();
    return false;
}

bool MailSocket::Fill() {
    if (!socket_ || status_ != Status::Ok) {
        if (error_.isEmpty())
            error_ = QStringLiteral("%1 サーバーに接続していません").arg(protocol_);
        return false;
    }
    Compact();
    QElapsedTimer idle;
    idle.start();
    while (socket_->bytesAvailable() == 0) {
        if (TooSlow()) {
            error_ = QStringLiteral(
                         "%1 サーバー %2 からのデータが遅すぎます (%3 秒間に %4 バイト)。接続を切ります。")
                         .arg(protocol_, PeerLabel())
                         .arg(timeouts_.progressWindowMs / 1000.0)
                         .arg(windowBytes_);
            status_ = Status::Timeout;
            socket_->abort();
            return false;
        }
        // Wake up at the end of the progress window too, so a silent server is judged in time.
        const qint64 idleLeft = timeouts_.idleMs - idle.elapsed();
        const qint64 windowLeft = timeouts_.progressWindowMs - window_.elapsed();
        const int wait = int(qBound(qint64(1), qMin(idleLeft, windowLeft), qint64(timeouts_.idleMs)));
        if (socket_->waitForReadyRead(wait) || socket_->bytesAvailable() > 0)
            continue;
        if (socket_->error() != QAbstractSocket::SocketTimeoutError || idle.elapsed() >= timeouts_.idleMs)
            return FailWait(QStringLiteral("%1 サーバー %2 から %3 秒間応答がありません"));
    }
    // Straight into our buffer: no array of its own for each read.
    const qint64 available = socket_->bytesAvailable();
    const qsizetype old = buffer_.size();
    if (buffer_.capacity() < old + available)
        buffer_.reserve(qMax(old + qsizetype(available), buffer_.capacity() * 2));
    buffer_.resize(old + qsizetype(available));
    const qint64 got = socket_->read(buffer_.data() + old, available);
    buffer_.resize(old + qsizetype(qMax<qint64>(got, 0)));
    if (got <= 0)
        return FailWait(QStringLiteral("%1 サーバー %2 から %3 秒間応答がありません"));
    windowBytes_ += got;
    return true;
}

MailSocket::Status MailSocket::ReadLine(QByteArray* line, qsizetype maxLength) {
    BeginProgress();
    qsizetype scanFrom = 0; // offset from pos_ already searched
    for (;;) {
        const qsizetype nl = buffer_.indexOf('\n', pos_ + scanFrom);
        if (nl >= 0) {
            qsizetype end = nl;
            if (end > pos_ && buffer_[end - 1] == '\r')
                --end;
            if (end - pos_ > maxLength) {
                pos_ = nl + 1;
                return Status::TooLong;
            }
            *line = buffer_.mid(pos_, end - pos_);
            pos_ = nl + 1;
            return Status::Ok;
        }
        // Not waiting for the end of an endless line: the caller gives up on the connection.
        if (buffer_.size() - pos_ > maxLength + 1)
            return Status::TooLong;
        scanFrom = buffer_.size() - pos_;
        if (!Fill())
            return status_;
    }
}

MailSocket::Status MailSocket::ReadDotBlock(QByteArray* out, qsizetype maxLine, qint64 maxTotal,
                                            bool* overflowTotal, qint64 sizeHint) {
    out->clear();
    // A size the server only claims is trusted up to a bound: it may be anything.
    if (sizeHint > 0)
        out->reserve(qsizetype(std::min({sizeHint + 2, maxTotal, qint64(16) << 20})));
    *overflowTotal = false;
    BeginProgress();
    bool lineTooLong = false;
    bool draining = false;
    bool midLine = false; // draining: the bytes thrown away ended inside a line
    // A server that keeps sending past every bound is cut off rather than drained forever.
    const qint64 drainLimit = maxTotal * 2 + maxLine;
    qint64 consumed = 0;
    for (;;) {
        if (draining && consumed > drainLimit) {
            error_ = QStringLiteral("%1 サーバー %2 の応答が長すぎます。接続を切ります。")
                         .arg(protocol_, PeerLabel());
            status_ = Status::Closed;
            socket_->abort();
            out->clear();
            return Status::Closed;
        }
        const char* data = buffer_.constData();
        const qsizetype size = buffer_.size();
        // Lines that go out as they came (CR LF, no leading dot) are copied a run at a time.
        qsizetype run = pos_;
        const auto flush = [&](qsizetype upTo) {
            if (upTo > run)
                out->append(data + run, upTo - run);
        };
        while (pos_ < size) {
            const char* nlp = static_cast<const char*>(memchr(data + pos_, '\n', size_t(size - pos_)));
            if (!nlp) {
                if (draining) {
                    midLine = true;
                    pos_ = size;
                    run = size;
                } else if (size - pos_ > maxLine + 1) {
                    lineTooLong = true;
                    draining = true;
                    out->clear();
                    midLine = true;
                    pos_ = size;
                    run = size;
                }
                break;
            }
            const qsizetype nl = nlp - data;
            qsizetype end = nl;
            if (end > pos_ && data[end - 1] == '\r')
                --end;
            const qsizetype start = pos_;
            pos_ = nl + 1;
            if (draining) {
                run = pos_;
                if (!midLine && end - start == 1 && data[start] == '.')
                    return lineTooLong ? Status::TooLong : Status::Ok;
                midLine = false;
                continue;
            }
            const bool stuffed = data[start] == '.' && end > start;
            if (stuffed && end - start == 1) {
                flush(start);
                return Status::Ok;
            }
            const qsizetype from = stuffed ? start + 1 : start; // dot-unstuffing
            if (end - start > maxLine) {
                lineTooLong = true;
                draining = true;
                out->clear();
                run = pos_;
                continue;
            }
            if (out->size() + (start - run) + (end - from) + 2 > maxTotal) {
                *overflowTotal = true;
                draining = true;
                out->clear();
                run = pos_;
                continue;
            }
            if (stuffed || end == nl) { // a dot to drop or a bare LF to make CR LF
                flush(start);
                out->append(data + from, end - from);
                out->append("\r\n", 2);
                run = pos_;
            }
        }
        flush(pos_);
        const qsizetype before = buffer_.size() - pos_;
        if (!Fill()) {
            out->clear();
            return status_;
        }
        consumed += buffer_.size() - pos_ - before;
    }
}

} // namespace ricorne
