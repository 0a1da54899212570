// The main window: the cabinet with its navigation labels, the help box, the status label and
// the clock. Closing it ends the program (main() connects Closing to the shut-down).
//
// The program's wiring (app/Wiring.cpp) uses it through:
//   SetLabelAction   what a navigation label does after its press effect
//   SetStatus        the status label (Label19); ShowStatusNow paints it at once
//   ShowHelp/HideHelp the help box (Text1)
//   ClockBoxText     the clock box (Text2, the date of a sent mail)
//   PullLever        the slot's lever sequence, once the slot sets it with SetLeverAction
//   InstallCabinet   replaces the plain background Picture1 by the slot's cabinet panel
#pragma once

#include "mainwindow/MainFormLayout.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <map>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;

namespace ricorne {

class LabelButton;

class MainForm : public QWidget {
    Q_OBJECT
public:
    explicit MainForm(QWidget* parent = nullptr);
    ~MainForm() override;

    // What a click on the label does: beforePress (if any), then the press effect for the
    // labels that have one (disabled, Pause 30 ms, enabled), then action. Replaces the earlier
    // action. HelpPage and Minimise do their own work from the start.
    void SetLabelAction(NavLabel label, std::function<void()> action, std::function<void()> beforePress = {});
    // Runs what a click on the label runs.
    void ClickLabel(NavLabel label);

    void SetStatus(const QString& text);
    // Sets the status and paints it now: for a long operation that holds the window's thread.
    void ShowStatusNow(const QString& text);
    QString Status() const;

    void ShowHelp(const QString& text);
    void HideHelp();
    bool IsHelpShown() const;
    QString HelpText() const;

    QString ClockBoxText() const;
    void RefreshClock(); // what each tick of Timer2 does

    void SetLeverAction(std::function<void()> pull);
    void PullLever(); // does nothing until the slot sets the lever action

    // Takes ownership of cabinet, puts it at the origin under every label and drops the
    // current one. Moving the pointer over its bare area (no child under the pointer) hides
    // the help box.
    void InstallCabinet(QWidget* cabinet);
    QWidget* Cabinet() const { return cabinet_; }

    // How the help page is opened (the desktop's browser by default; tests record instead).
    void SetUrlOpener(std::function<void(const QUrl&)> opener);

    // Controls by their roles (object names in brackets).
    QLabel* Label(NavLabel label) const;                   // Label5 .. Label12
    QLabel* StatusLabel() const { return statusLabel_; }   // Label19
    QLabel* VersionLabel() const { return versionLabel_; } // Label20
    QPlainTextEdit* HelpBox();                             // Text1, built on first use
    QLineEdit* ClockBox() const { return clockBox_; }      // Text2
    QTimer* ClockTimer() const { return clockTimer_; }     // Timer2

Q_SIGNALS:
    void Closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct LabelAction {
        std::function<void()> beforePress;
        std::function<void()> action;
    };
    void BuildLabels();
    void OpenHelpPage();

    QWidget* cabinet_ = nullptr; // Picture1
    std::map<NavLabel, LabelButton*> labels_;
    std::map<NavLabel, LabelAction> labelActions_;
    std::map<QObject*, QString> hoverHelp_; // label -> its help text
    QLabel* statusLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QPlainTextEdit* helpBox_ = nullptr;
    QLineEdit* clockBox_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    std::function<void()> lever_;
    std::function<void(const QUrl&)> openUrl_;
};

} // namespace ricorne
