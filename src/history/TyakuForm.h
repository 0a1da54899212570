// The history viewer: the list of the received or sent store, the record view (Subject, From,
// Date and the body editor rtfEd), the record buttons, the body editor's menus, toolbar and
// search box, the count, and the hover help box.
//
// Record view accessors (the mail check stages each received mail here, loading the window
// hidden through Registry().Get<TyakuForm>() when it is not loaded):
//   SetRecordView(subject, sender, date, body)  writes Text7, Text8, Text9 and rtfEd as given
//   RecordViewTexts()                           the four texts as they stand (typing included)
// Bodies cross these accessors in stored form (CR LF); rtfEd itself holds "\n".
//
// Editor and record commands come from their own files through SetCommand (menu items and
// toolbar keys) and the buttons' clicked signals; until then they do nothing, except the File
// menu's "終了", which closes the window.
#pragma once

#include "core/text/TextBox.h"
#include "history/HistoryList.h"
#include "history/HistoryMode.h"
#include "history/HistoryView.h"
#include "history/TyakuLayout.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolBar;
class QTreeView;

namespace ricorne {

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
    void SetRows(QVector<MailHeader> rows) override;
    int RowCount() const override;
    int SelectedRow() const override;
    void SetBody(const QString& body) override;
    void SetCount(const QString& text) override;
    void SetSelectionFlag(bool on) override;
    bool SelectionFlag() const override;
    void FocusBody() override;            // TyakuFormRecordOps.cpp
    QString PreviewText() const override; // Text6
    void SetPreviewText(const QString& text) override;
    void SetBusyPointer(bool on) override;

    void SetListColour(ListColour colour);

    // Menu items and toolbar buttons run the command of their key ("New", "Open", "Save",
    // "Print", "Cut", "Copy", "Paste", "Bold", "Italic", "Underline", "SelectAll", "JumpStart",
    // "JumpEnd", "Search", "FindNext", "Close"); a key without a command does nothing.
    void SetCommand(const QString& key, std::function<void()> command);
    void RunCommand(const QString& key);

    // Outer size in twips as the layout rules see it, and where they put the controls.
    int OuterWidthTwips() const;
    int OuterHeightTwips() const;
    const TyakuLayout& Layout() const { return layout_; }

    // Controls by their names.
    QWidget* Client() const { return client_; }
    QWidget* Picture1() const { return band_; }
    QToolBar* TbToolBar() const { return toolBar_; }
    QTreeView* MailListView() const { return list_; }
    MailHeaderModel* Rows() const { return model_; }
    QPushButton* Command(int n) const; // Command1 .. Command6
    QLabel* Label2() const { return label2_; }
    QLabel* Label4() const { return label4_; }
    QLineEdit* Text1() const { return text1_; }
    QLineEdit* Text2() const { return text2_; }
    QPlainTextEdit* Text4() const { return text4_; }
    QLineEdit* Text5() const { return text5_; }
    QLineEdit* Text6() const { return text6_; }
    QLineEdit* Text7() const { return text7_; }
    QLineEdit* Text8() const { return text8_; }
    QLineEdit* Text9() const { return text9_; }
    QPlainTextEdit* RtfEd() const { return rtfEd_; }
    QListWidget* LstLst() const { return lstLst_; }
    QStatusBar* StatusBar1() const { return statusBar_; }
    QMenu* Menu(const QString& name) const; // "mFile", "medit"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void BuildToolbar();
    void BindRecordOperations(); // the six record buttons, TyakuFormRecordOps.cpp
    void PrepareEditor();
    void ApplyResizeRules();
    void ApplyLayout();
    void PointerMoved(QObject* over);

    QWidget* client_ = nullptr;
    QWidget* band_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QWidget* picture4_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label4_ = nullptr;
    QPushButton* commands_[6] = {};
    QLineEdit* text1_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QPlainTextEdit* text4_ = nullptr;
    QLineEdit* text5_ = nullptr;
    QLineEdit* text6_ = nullptr;
    QLineEdit* text7_ = nullptr;
    QLineEdit* text8_ = nullptr;
    QLineEdit* text9_ = nullptr;
    QTreeView* list_ = nullptr;
    MailHeaderModel* model_ = nullptr;
    QPlainTextEdit* rtfEd_ = nullptr;
    QListWidget* lstLst_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    std::map<QString, QMenu*> menus_;
    std::map<QString, std::function<void()>> editorCommands_;
    TyakuLayout layout_;
};

} // namespace ricorne
