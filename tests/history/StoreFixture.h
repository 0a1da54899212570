// A temporary AppDir with its folders and the viewer's process-wide state reset, and helpers
// that write mail records byte for byte.
#pragma once

#include "TempAppDir.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "history/EditorState.h"
#include "history/HistoryMode.h"

#include <QByteArray>
#include <QFile>
#include <gtest/gtest.h>

#include <cstring>

namespace ricorne {

// A record whose fields hold exactly these bytes (CP932 of the texts), padded with spaces.
// Texts may hold NUL characters.
inline MailRecord MakeRecord(const QString& subject, const QString& address, const QString& date,
                             const QString& body, qint16 live = 1) {
    MailRecord r;
    auto put = [](char* field, std::size_t width, const QString& text) {
        const QByteArray bytes = EncodeCp932(text);
        std::memcpy(field, bytes.constData(), std::min<std::size_t>(width, bytes.size()));
    };
    put(r.Subject, sizeof r.Subject, subject);
    put(r.Address, sizeof r.Address, address);
    put(r.DateText, sizeof r.DateText, date);
    put(r.Body, sizeof r.Body, body);
    r.Live = live;
    return r;
}

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        ResetViewerState();
    }
    void TearDown() override { ResetViewerState(); }

    // The editor and the shown store outlive the viewer window, so they outlive a test too.
    static void ResetViewerState() {
        Editor() = EditorState{};
        CurrentHistoryMode() = HistoryMode::Received;
    }

    // Writes record n (1-based) of the store.
    static void Put(const StoreDescriptor& store, int n, const MailRecord& record) {
        ASSERT_TRUE(WriteRecord(store, n, record));
    }
    // Records "件名n", "差出人n", "日付n", "本文n" for n = 1..count.
    static void PutNumbered(const StoreDescriptor& store, int count, const QString& tag = QString()) {
        for (int n = 1; n <= count; ++n)
            Put(store, n,
                MakeRecord(QStringLiteral(u"件名%1%2").arg(tag).arg(n), QStringLiteral(u"差出人%1").arg(n),
                           QStringLiteral(u"日付%1").arg(n), QStringLiteral(u"本文%1").arg(n)));
    }

    ricorne::testing::TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
};

} // namespace ricorne
