// A temporary AppDir for one test: made on construction and set as the program's AppDir, and
// undone on destruction (the folder is removed with it). Both ends also reset the process-wide
// state a test can leave behind: the account settings, the record buffers of the stores, the
// stores' pending repair notices and the shared random source (back at its fixed seed).
// The history viewer's own process-wide state (its editor, which store it shows) lives above
// core: StoreFixture (tests/history) resets that.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace ricorne::testing {

class TempAppDir {
public:
    enum class Layout {
        Installed, // with the installed folders, as a set-up program leaves AppDir
        Empty,     // nothing in it, for tests of what start-up creates
    };

    explicit TempAppDir(Layout layout = Layout::Installed);
    ~TempAppDir();
    TempAppDir(const TempAppDir&) = delete;
    TempAppDir& operator=(const TempAppDir&) = delete;

    // False when the folder or its installed folders could not be made.
    bool IsValid() const { return ok_; }
    QString Path() const { return dir_.path(); }
    // A path below AppDir ("/" separated).
    QString FilePath(const QString& relative) const { return dir_.filePath(relative); }
    QString DataDir() const;      // ★MailData
    QString AttachFolder() const; // 添付フォルダ
    // Every file below the folder, relative, sorted.
    QStringList Files() const;

private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

} // namespace ricorne::testing
