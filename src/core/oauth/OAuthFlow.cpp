#include "core/oauth/OAuthFlow.h"

#include "core/oauth/OAuthTexts.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>

namespace ricorne::oauth {

namespace {

QByteArray RandomUrlSafe(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char& c : raw)
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray FormBody(const QList<QPair<QString, QString>>& form) {
    QByteArray body;
    for (const auto& [key, value] : form) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

struct HttpResult {
    int status = 0; // 0: no answer
    QJsonObject json;
    QString networkError;
};

HttpResult PostForm(const QString& url, const QList<QPair<QString, QString>>& form, int timeoutMs) {
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = manager.post(request, FormBody(form));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll();
    if (result.status == 0)
        result.networkError = reply->errorString();
    result.json = QJsonDocument::fromJson(body).object();
    reply->deleteLater();
    return result;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The loopback redirect: one GET with code and state (or error) in the query.
struct Redirect {
    bool received = false;
    QUrlQuery query;
};

void AnswerBrowser(QTcpSocket* socket, bool ok) {
    const QByteArray page =
        "<!DOCTYPE html><html lang=\"ja\"><meta charset=\"utf-8\"><title>Ricorne</title><p>" +
        (ok ? LoopbackPageOk() : LoopbackPageFailed()).toHtmlEscaped().toUtf8() + "</p></html>";
    socket->write("HTTP/1.1 " + QByteArray(ok ? "200 OK" : "400 Bad Request") +
                  "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                  QByteArray::number(page.size()) + "\r\n\r\n" + page);
    socket->flush();
    socket->disconnectFromHost();
}

} // namespace

Flow::Flow(OAuthEndpoints endpoints, const QString& clientId) : endpoints_(std::move(endpoints)) {
    const QStringList parts = clientId.simplified().split(u' ');
    clientId_ = parts.value(0);
    clientSecret_ = parts.value(1);
}

QByteArray Flow::NewVerifier() {
    return RandomUrlSafe(32); // 43 characters
}

QByteArray Flow::Challenge(const QByteArray& verifier) {
    return QCryptographicHash::hash(verifier, QCryptographicHash::Sha256)
        .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

TokenReply Flow::TokenRequest(QList<QPair<QString, QString>> form) {
    form << qMakePair(QStringLiteral("client_id"), clientId_);
    if (!clientSecret_.isEmpty())
        form << qMakePair(QStringLiteral("client_secret"), clientSecret_);
    const HttpResult http = PostForm(endpoints_.tokenUrl, form, requestTimeoutMs_);
    TokenReply reply;
    if (http.status == 0) {
        reply.text = ServerUnreachableText(http.networkError);
        return reply;
    }
    const QString accessToken = http.json.value(u"access_token").toString();
    if (http.status == 200 && !accessToken.isEmpty()) {
        reply.ok = true;
        reply.accessToken = accessToken.toLatin1();
        reply.refreshToken = http.json.value(u"refresh_token").toString().toLatin1();
        reply.expiresIn = qMax<qint64>(1, http.json.value(u"expires_in").toVariant().toLongLong());
        if (!http.json.contains(u"expires_in"))
            reply.expiresIn = 3600;
        return reply;
    }
    reply.error = http.json.value(u"error").toString();
    reply.text =
        ServerErrorText(reply.error.isEmpty() ? QStringLiteral("HTTP %1").arg(http.status) : reply.error,
                        http.json.value(u"error_description").toString());
    return reply;
}

TokenReply Flow::SignInWithBrowser(const QString& loginHint,
                                   const std::function<bool(const QUrl&)>& openBrowser, int timeoutMs) {
    TokenReply failed;
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        failed.text = ServerUnreachableText(server.errorString());
        return failed;
    }
    const QString redirect = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    const QByteArray verifier = NewVerifier();
    const QString state = QString::fromLatin1(RandomUrlSafe(16));
    QUrl url(endpoints_.authorizeUrl);
    QUrlQuery query(url);
    query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
    query.addQueryItem(QStringLiteral("client_id"), clientId_);
    query.addQueryItem(QStringLiteral("redirect_uri"), redirect);
    query.addQueryItem(QStringLiteral("scope"), endpoints_.scopes);
    query.addQueryItem(QStringLiteral("state"), state);
    query.addQueryItem(QStringLiteral("code_challenge"), QString::fromLatin1(Challenge(verifier)));
    query.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
    if (!loginHint.isEmpty())
        query.addQueryItem(QStringLiteral("login_hint"), loginHint);
    url.setQuery(query.query(QUrl::FullyEncoded));
    if (!openBrowser(url))
        return failed;

    Redirect got;
    QTcpSocket* answered = nullptr;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&server, &QTcpServer::newConnection, &loop, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            socket->setParent(&server);
            QObject::connect(socket, &QTcpSocket::readyRead, &loop, [&, socket] {
                if (got.received || !socket->canReadLine())
                    return;
                // "GET /?code=...&state=... HTTP/1.1"; anything else (a favicon) gets a 404.
                const QList<QByteArray> words = socket->readLine(8192).trimmed().split(' ');
                const QUrl target(QString::fromLatin1(words.value(1)));
                if (words.value(0) != "GET" || target.path() != u"/" || !target.hasQuery()) {
                    socket->write("HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
                    socket->disconnectFromHost();
                    return;
                }
                got.received = true;
                got.query = QUrlQuery(target);
                answered = socket;
                loop.quit();
            });
        }
    });
    timer.start(timeoutMs);
    loop.exec();
    if (!got.received) {
        failed.text = BrowserTimeoutText();
        return failed;
    }
    const auto value = [&got](const char* key) {
        return got.query.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded);
    };
    if (value("state") != state) {
        AnswerBrowser(answered, false);
        failed.error = QStringLiteral("state");
        failed.text = StateMismatchText();
        return failed;
    }
    if (!value("error").isEmpty() || value("code").isEmpty()) {
        AnswerBrowser(answered, false);
        failed.error = value("error");
        failed.text = value("error") == QLatin1String("access_denied")
                          ? DeniedText()
                          : ServerErrorText(value("error"), value("error_description"));
        return failed;
    }
    TokenReply reply = TokenRequest({{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
                                     {QStringLiteral("code"), value("code")},
                                     {QStringLiteral("redirect_uri"), redirect},
                                     {QStringLiteral("code_verifier"), QString::fromLatin1(verifier)}});
    AnswerBrowser(answered, reply.ok);
    QElapsedTimer flush;
    flush.start();
    while (answered->state() != QAbstractSocket::UnconnectedState && answered->bytesToWrite() > 0 &&
           flush.elapsed() < 2000)
        answered->waitForBytesWritten(100);
    return reply;
}

DeviceCode Flow::StartDevice() {
    DeviceCode code;
    if (endpoints_.deviceUrl.isEmpty()) {
        code.text = NoOAuthForAddressText(endpoints_.name);
        return code;
    }
    QList<QPair<QString, QString>> form{{QStringLiteral("client_id"), clientId_},
                                        {QStringLiteral("scope"), endpoints_.scopes}};
    const HttpResult http = PostForm(endpoints_.deviceUrl, form, requestTimeoutMs_);
    if (http.status == 0) {
        code.text = ServerUnreachableText(http.networkError);
        return code;
    }
    code.deviceCode = http.json.value(u"device_code").toString().toLatin1();
    code.userCode = http.json.value(u"user_code").toString();
    code.verificationUri = http.json.value(u"verification_uri").toString();
    code.interval = qBound(1, http.json.value(u"interval").toInt(5), 60);
    code.expiresIn = qBound(10, http.json.value(u"expires_in").toInt(900), 3600);
    code.ok = http.status == 200 && !code.deviceCode.isEmpty() && !code.userCode.isEmpty() &&
              !code.verificationUri.isEmpty();
    if (!code.ok)
        code.text =
            ServerErrorText(http.json.value(u"error").toString(QStringLiteral("HTTP %1").arg(http.status)),
                            http.json.value(u"error_description").toString());
    return code;
}

TokenReply Flow::WaitForDevice(const DeviceCode& code) {
    QElapsedTimer elapsed;
    elapsed.start();
    int interval = code.interval;
    for (;;) {
        Wait(interval * 1000);
        TokenReply reply = TokenRequest(
            {{QStringLiteral("grant_type"), QStringLiteral("urn:ietf:params:oauth:grant-type:device_code")},
             {QStringLiteral("device_code"), QString::fromLatin1(code.deviceCode)}});
        if (reply.ok)
            return reply;
        if (reply.error == QLatin1String("slow_down")) {
            interval += 5; // RFC 8628 3.5
        } else if (reply.error == QLatin1String("expired_token")) {
            reply.text = DeviceExpiredText();
            return reply;
        } else if (reply.error == QLatin1String("access_denied")) {
            reply.text = DeniedText();
            return reply;
        } else if (reply.error != QLatin1String("authorization_pending")) {
            return reply;
        }
        if (elapsed.elapsed() > qint64(code.expiresIn) * 1000) {
            reply.text = DeviceExpiredText();
            return reply;
        }
    }
}

TokenReply Flow::Refresh(const QByteArray& refreshToken) {
    return TokenRequest({{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                         {QStringLiteral("refresh_token"), QString::fromLatin1(refreshToken)},
                         {QStringLiteral("scope"), endpoints_.scopes}});
}

} // namespace ricorne::oauth
