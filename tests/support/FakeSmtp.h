// A small scripted SMTP server on top of FakeServer: answers each command from a table (or
// the default reply) and records the message it was given.
#pragma once

#include "FakeServer.h"

#include <QByteArray>
#include <QList>
#include <functional>

namespace ricorne::testing {

struct FakeSmtp {
    QByteArray greeting = "220 fake ESMTP";
    QList<QByteArray> ehlo = {"250-fake", "250-PIPELINING", "250-AUTH PLAIN LOGIN CRAM-MD5", "250 8BITMIME"};
    std::function<QByteArray(const QByteArray& command)> answer; // empty: the default reply
    QByteArray data;

    void Serve(FakeConnection& c) {
        c.SendLine(greeting);
        QByteArray line;
        while (c.ReadLine(&line)) {
            QByteArray reply = answer ? answer(line) : QByteArray();
            if (reply == "drop")
                return;
            if (reply.isEmpty()) {
                const QByteArray verb = line.left(4).toUpper();
                if (verb == "EHLO") {
                    reply = ehlo.join("\r\n");
                } else if (verb == "DATA") {
                    c.SendLine("354 go ahead");
                    QByteArray d;
                    while (c.ReadLine(&d) && d != ".")
                        data += d + "\r\n";
                    reply = "250 2.0.0 queued";
                } else if (verb == "QUIT") {
                    c.SendLine("221 bye");
                    return;
                } else if (line.startsWith("AUTH PLAIN")) {
                    reply = "235 ok";
                } else if (line.startsWith("AUTH CRAM-MD5")) {
                    c.SendLine("334 " + QByteArray("<1896.697170952@fake>").toBase64());
                    QByteArray response;
                    c.ReadLine(&response);
                    reply = "235 ok";
                } else {
                    reply = "250 ok";
                }
            }
            c.SendLine(reply);
        }
    }
};

} // namespace ricorne::testing
