// The history viewer: the list of the received or sent store, the record view (Subject, From,
// Date and the body editor rtfEd), the record buttons, the body editor's menus, toolbar and
// search box, the count, and the hover help box.
//
// Record view accessors (the mail check stages each received mail here, loading the window
// hidden through ViewerRecordView() when it is not loaded):
//   SetRecordView(subject, sender, date, body)  writes Text7, Text8, Text9 and rtfEd as given
//   RecordViewTexts()                           the four texts as they stand (typing included)
// Bodies cross these accessors in stored form (CR LF); rtfEd itself holds "\n".
//
// Every menu item, toolbar button and record button runs one ViewerCommand (TyakuTexts.h) through
// RunCommand: the body editor's commands (EditorCommands.h) on this window's editor, the record
// operations (RecordOperations.h) on its record view, and "終了", which closes the window.
#pragma once

#include "core/text/TextBox.h"
#include "history/HistoryList.h"
#include "history/HistoryMode.h"
#include "history/HistoryView.h"
#include "history/TyakuLayout.h"
#include "history/TyakuTexts.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolBar;
class QTimer;
class QTreeView;

namespace ricorne {

class EditorHost;
class StoreSearch;
class MailHeaderModel;

class TyakuForm : public QMainWindow, public HistoryView {
    Q_OBJECT
public:
    explicit TyakuForm(QWidget* parent = nullptr);
    ~TyakuForm() override;

    // Load steps: list columns, body box placed, editor prepared (EditorFile loaded when set),
    // selection flag cleared.
    void Load();

    // Record view.
    void SetRecordView(const QString& subject, const QString& sender, const QString& date,
                       const QString& body) override;
    RecordTexts RecordViewTexts() const;
    QString SubjectText() const override; // Text7
    QString SenderText() const override;  // Text8
    QString DateText() const override;    // Text9
    QString BodyText() const override;    // rtfEd, CR LF

    // The body editor rtfEd as a value ("\n" line breaks, caret, selection), and an edit of it
    // that the window shows at once; a change of the text marks the editor modified.
    TextBox EditorBox() const;
    void EditEditor(const std::function<void(TextBox&)>& edit);

    // HistoryView.
    void SetRows(HeaderRows rows) override;
    int RowCount() const override;
    int SelectedRow() const override;
    void SetBody(const QString& body) override;
    void SetCount(const QString& text) override;
    void SetSelectionFlag(bool on) override;
    bool SelectionFlag() const override;
    void FocusBody() override;            // TyakuFormCommands.cpp
    QString PreviewText() const override; // Text6
    void SetPreviewText(const QString& text) override;
    void SetBusyPointer(bool on) override;

    void SetListColour(ListColour colour);

    // What a menu item, toolbar button or record button runs (TyakuFormCommands.cpp).
    void RunCommand(ViewerCommand command);

    // Outer size in twips as the layout rules see it, and where they put the controls.
    int OuterWidthTwips() const;
    int OuterHeightTwips() const;
    const TyakuLayout& Layout() const { return layout_; }

    // Controls by their roles (object names in brackets).
    QWidget* Client() const { return client_; }
    QWidget* ToolBand() const { return band_; } // Picture1, holds the toolbar
    QToolBar* TbToolBar() const { return toolBar_; }
    QTreeView* MailListView() const { return list_; }
    MailHeaderModel* Rows() const { return model_; }
    // Command1 .. Command6 (kRecordButtonCommands); nullptr for a command without a button.
    QPushButton* RecordButton(ViewerCommand command) const;
    QLabel* SearchCaption() const { return searchCaption_; }          // Label2
    QLabel* CountCaption() const { return countCaption_; }            // Label4
    QLineEdit* SearchBox() const { return searchBox_; }               // Text1
    QLineEdit* CountBox() const { return countBox_; }                 // Text2
    QPlainTextEdit* HelpBox() const { return helpBox_; }              // Text4
    QLineEdit* SelectionFlagBox() const { return selectionFlagBox_; } // Text5
    QLineEdit* PreviewBox() const { return previewBox_; }             // Text6
    QLineEdit* SubjectBox() const { return subjectBox_; }             // Text7
    QLineEdit* SenderBox() const { return senderBox_; }               // Text8
    QLineEdit* DateBox() const { return dateBox_; }                   // Text9
    QPlainTextEdit* BodyEditor() const { return bodyEditor_; }        // rtfEd
    QListWidget* LineList() const { return lineList_; }               // lstLst, never shown
    QStatusBar* StatusBar1() const { return statusBar_; }
    QLineEdit* HistorySearchBox() const { return historySearchBox_; } // search of the whole store
    QCheckBox* KanaFoldingBox() const { return kanaFoldingBox_; }

    // The history search (TyakuFormSearch.cpp): typing waits for a short pause, then the store
    // is searched a slice at a time between events; the next key drops that search. The list
    // then holds only the hits, and the count says how many; an empty box lists every record.
    // Every row keeps its record number, so the record operations act on the hit rows.
    static constexpr int kSearchPauseMs = 250;
    bool HistorySearchRunning() const;
    void SearchHistoryNow();                // skips the pause (the box's text as it stands)
    QMenu* Menu(const QString& name) const; // "mFile", "medit"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void BuildToolbar();
    void Wire(); // menus, toolbar and record buttons to RunCommand, TyakuFormCommands.cpp
    void PrepareEditor();
    void ApplyResizeRules();
    void ApplyLayout();
    void PointerMoved(QObject* over);
    void BuildHistorySearch();
    void HistorySearchEdited();
    void ContinueHistorySearch();
    void ShowHistorySearchResult();

    QWidget* client_ = nullptr;
    QWidget* band_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QWidget* searchPanel_ = nullptr; // Picture4, holds the search caption
    QLabel* searchCaption_ = nullptr;
    QLabel* countCaption_ = nullptr;
    QPushButton* recordButtons_[6] = {}; // in kRecordButtonCommands order
    QLineEdit* searchBox_ = nullptr;
    QLineEdit* countBox_ = nullptr;
    QPlainTextEdit* helpBox_ = nullptr;
    QLineEdit* selectionFlagBox_ = nullptr;
    QLineEdit* previewBox_ = nullptr;
    QLineEdit* subjectBox_ = nullptr;
    QLineEdit* senderBox_ = nullptr;
    QLineEdit* dateBox_ = nullptr;
    QTreeView* list_ = nullptr;
    MailHeaderModel* model_ = nullptr;
    QPlainTextEdit* bodyEditor_ = nullptr;
    QListWidget* lineList_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    std::map<QString, QMenu*> menus_;
    // The editor commands' view of this window, and the search position of Find next (0 when
    // the window loads).
    std::unique_ptr<EditorHost> editorHost_;
    int searchPos_ = 0;
    TyakuLayout layout_;
    QLineEdit* historySearchBox_ = nullptr;
    QCheckBox* kanaFoldingBox_ = nullptr;
    QTimer* searchPause_ = nullptr;
    std::unique_ptr<StoreSearch> search_;
    HeaderRows allRows_; // every record's row; the model may hold only the hits
};

} // namespace ricorne
