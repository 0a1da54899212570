// Common frame of the three settings windows: a fixed-size, modeless top-level window laid out
// in twips, where Enter clicks the default button (when there is one) and Esc the cancel button.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ricorne {

class SettingsForm : public QWidget {
    Q_OBJECT
public:
    // Client size in twips.
    SettingsForm(const QString& caption, int widthTwips, int heightTwips, Qt::WindowFlags extraFlags = {},
                 QWidget* parent = nullptr);

    QPushButton* CancelButton() const { return cancelButton_; }

protected:
    // Moves the window to the centre of its screen, raised by the given pixels.
    void PlaceOnScreen(int pixelsAboveCentre);
    void SetDefaultButton(QPushButton* button);
    void SetCancelButton(QPushButton* button);

    // Controls placed at their twips rectangles, named after the window's controls.
    QPushButton* AddButton(const QString& name, const QString& caption, int left, int top, int width,
                           int height);
    QLabel* AddLabel(const QString& name, const QString& caption, int left, int top, int width, int height);
    QLineEdit* AddTextBox(const QString& name, int left, int top, int width, int height);

    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* defaultButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

} // namespace ricorne
