// The face-mark palette "絵・顔文字": twelve editable lists on twelve tabs. Each tab's insert
// button puts the selected text where the insert target says (the program's wiring makes it the
// compose window's body) and closes the palette, its
// paste button adds the clipboard to the list, and (tabs 0 to 10) its favourite button copies
// the selection into the favourites list. The lists are read from their files when the palette
// loads; those the user changed are written back when it closes (FaceMarkFiles.h).
#pragma once

#include "core/text/TextBox.h"
#include "facemarks/FaceMarkFiles.h"

#include <QWidget>
#include <array>
#include <functional>

class QButtonGroup;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace ricorne {

class KaoForm : public QWidget {
    Q_OBJECT
public:
    explicit KaoForm(QWidget* parent = nullptr);

    // Applies an edit to the text that receives an inserted face mark; false when there is none.
    using InsertTarget = std::function<bool(const std::function<void(TextBox&)>& edit)>;

    // Load steps: every list from its file (caret at the start), tab 3 in front, centred; a
    // warning names the lists that were not clean CP932.
    void Load();
    // Where the insert buttons put the selected text. Unset, it goes nowhere (the clipboard
    // still gets it).
    void SetInsertTarget(InsertTarget target);
    // Writes every list the user changed to its file (what closing does). A list with characters
    // its file cannot hold is only written when the user agrees; failures are shown. False when
    // the palette should stay open: the user declined, or a write failed (only with canStayOpen).
    bool SaveLists(bool canStayOpen = false);
    // The lists as the boxes hold them now.
    FaceMarkTexts Lists() const;

    int CurrentTab() const;
    void SetCurrentTab(int tab);

    // Controls by tab (the names are also the widgets' object names).
    QPlainTextEdit* ListBox(int tab) const { return boxes_[tab]; }           // Kao1, Text1..Text11
    QPushButton* InsertButton(int tab) const { return inserts_[tab]; }       // "新規作成本文に挿入"
    QPushButton* PasteButton(int tab) const { return pastes_[tab]; }         // "追加（貼付）"
    QPushButton* FavouriteButton(int tab) const { return favourites_[tab]; } // nullptr on tab 11
    QToolButton* TabButton(int tab) const { return tabs_[tab]; }
    QWidget* SSTab1() const { return tabControl_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildTabs();
    QWidget* BuildPage(int tab);
    void BuildFooter();
    void Insert(int tab);
    void Paste(int tab);
    void AddToFavourites(int tab);

    InsertTarget insertTarget_;
    FaceMarkFiles loaded_; // each list as its file was read or last written
    QWidget* tabControl_;
    QButtonGroup* tabGroup_;
    QStackedWidget* pages_;
    std::array<QToolButton*, kFaceMarkListCount> tabs_{};
    std::array<QPlainTextEdit*, kFaceMarkListCount> boxes_{};
    std::array<QPushButton*, kFaceMarkListCount> inserts_{};
    std::array<QPushButton*, kFaceMarkListCount> pastes_{};
    std::array<QPushButton*, kFaceMarkListCount> favourites_{};
};

} // namespace ricorne
