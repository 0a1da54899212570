// A small scripted POP3 server on top of FakeServer, for the engine's failure paths.
#pragma once

#include "FakeServer.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <functional>
#include <mutex>

namespace ricorne::testing {

struct FakePop3 {
    QByteArray greeting = "+OK fake ready <1896.697170952@fake.example>";
    QList<QByteArray> capabilities = {"USER", "UIDL", "PIPELINING"}; // empty: CAPA gets -ERR
    QList<QByteArray> mails;
    QList<qint64> listSizes; // overrides the LIST sizes when set
    // Hooks: return true when the hook answered (or ended the session) itself.
    std::function<bool(FakeConnection&, const QByteArray& command)> onCommand;
    std::function<bool(FakeConnection&, int number)> onRetr;
    // Committed at QUIT.
    QSet<int> committedDeletes;
    bool quitSeen = false;
    std::mutex mutex;

    void Serve(FakeConnection& c) {
        QSet<int> deletes;
        if (!c.SendLine(greeting) || !greeting.startsWith("+OK"))
            return;
        QByteArray line;
        while (c.ReadLine(&line)) {
            if (onCommand && onCommand(c, line))
                continue;
            const QByteArray verb = line.split(' ').value(0).toUpper();
            const int arg = line.split(' ').value(1).toInt();
            if (verb == "CAPA") {
                if (capabilities.isEmpty()) {
                    c.SendLine("-ERR unknown command");
                    continue;
                }
                QByteArray reply = "+OK\r\n";
                for (const QByteArray& cap : capabilities)
                    reply += cap + "\r\n";
                c.Send(reply + ".\r\n");
            } else if (verb == "USER" || verb == "PASS" || verb == "APOP" || verb == "NOOP") {
                c.SendLine("+OK");
            } else if (verb == "STAT") {
                c.SendLine("+OK " + QByteArray::number(mails.size()) + " 0");
            } else if (verb == "LIST") {
                QByteArray reply = "+OK\r\n";
                for (int i = 0; i < mails.size(); ++i)
                    reply += QByteArray::number(i + 1) + ' ' +
                             QByteArray::number(i < listSizes.size() ? listSizes[i] : mails[i].size()) +
                             "\r\n";
                c.Send(reply + ".\r\n");
            } else if (verb == "UIDL") {
                QByteArray reply = "+OK\r\n";
                for (int i = 0; i < mails.size(); ++i)
                    reply += QByteArray::number(i + 1) + " uid-" + QByteArray::number(i + 1) + "\r\n";
                c.Send(reply + ".\r\n");
            } else if (verb == "RETR") {
                if (onRetr && onRetr(c, arg))
                    continue;
                if (arg < 1 || arg > mails.size()) {
                    c.SendLine("-ERR no such message");
                    continue;
                }
                c.Send("+OK\r\n" + Stuff(mails[arg - 1]) + ".\r\n");
            } else if (verb == "DELE") {
                deletes.insert(arg);
                c.SendLine("+OK deleted");
            } else if (verb == "QUIT") {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    committedDeletes += deletes;
                    quitSeen = true;
                }
                c.SendLine("+OK bye");
                return;
            } else {
                c.SendLine("-ERR unknown command");
            }
        }
    }

    // Dot-stuffing as a server sends a stored mail.
    static QByteArray Stuff(const QByteArray& mail) {
        QByteArray out;
        qsizetype pos = 0;
        while (pos < mail.size()) {
            const qsizetype nl = mail.indexOf('\n', pos);
            const qsizetype end = nl < 0 ? mail.size() : nl + 1;
            if (mail[pos] == '.')
                out += '.';
            out += mail.mid(pos, end - pos);
            pos = end;
        }
        if (!out.isEmpty() && !out.endsWith('\n'))
            out += "\r\n";
        return out;
    }
};

} // namespace ricorne::testing
