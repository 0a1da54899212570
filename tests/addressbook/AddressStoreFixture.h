// A temporary AppDir with its folders, a scripted dialog service, and helpers that put and read
// address records of the store.
#pragma once

#include "TempAppDir.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QByteArray>
#include <QFile>
#include <gtest/gtest.h>

#include <vector>

namespace ricorne {

struct StoredAddress {
    QString name;    // trimmed
    QString address; // trimmed
    qint16 live = 1;
    bool operator==(const StoredAddress&) const = default;
};

inline void PrintTo(const StoredAddress& a, std::ostream* os) {
    *os << '{' << a.name.toStdString() << ", " << a.address.toStdString() << ", " << a.live << '}';
}

class AddressStoreFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    static void Put(const QString& name, const QString& address) {
        AddressRecord r;
        SetField(r.Name, name);
        SetField(r.MailAddress, address);
        ASSERT_TRUE(AppendRecord(AddressStore(), r));
    }
    // Entries "名前n" / "userN@example.jp" for n = 1..count.
    static void PutNumbered(int count) {
        for (int n = 1; n <= count; ++n)
            Put(QStringLiteral(u"名前%1").arg(n), QStringLiteral(u"user%1@example.jp").arg(n));
    }
    static std::vector<StoredAddress> Stored() {
        std::vector<StoredAddress> all;
        AddressRecord r;
        ReadRecords(AddressStore(), r, [&](int) {
            all.push_back({Trim(FieldText(r.Name)), Trim(FieldText(r.MailAddress)), r.Live});
        });
        return all;
    }
    static QByteArray StoreBytes() {
        QFile f(StorePath(AddressStore()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool TempFileExists() { return QFile::exists(StoreTempPath(AddressStore())); }

    ricorne::testing::TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
};

} // namespace ricorne
