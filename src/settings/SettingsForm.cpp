#include "settings/SettingsForm.h"

#include "core/geometry/Twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace ricorne {

SettingsForm::SettingsForm(const QString& caption, int widthTwips, int heightTwips,
                           Qt::WindowFlags extraFlags, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | extraFlags) {
    setWindowTitle(caption);
    setFixedSize(TwipsSize(widthTwips, heightTwips));
    PlaceOnScreen(0);
}

void SettingsForm::PlaceOnScreen(int pixelsAboveCentre) {
    // Centred on the screen, clear of the main window at the top left.
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center() - QPoint(0, pixelsAboveCentre));
}

void SettingsForm::SetDefaultButton(QPushButton* button) {
    defaultButton_ = button;
    button->setDefault(true);
}

void SettingsForm::SetCancelButton(QPushButton* button) {
    cancelButton_ = button;
}

QPushButton* SettingsForm::AddButton(const QString& name, const QString& caption, int left, int top,
                                     int width, int height) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(TwipsRect(left, top, width, height));
    // A focused button answers Enter itself, as a command button does.
    button->setAutoDefault(true);
    return button;
}

QLabel* SettingsForm::AddLabel(const QString& name, const QString& caption, int left, int top, int width,
                               int height) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setGeometry(TwipsRect(left, top, width, height));
    return label;
}

QLineEdit* SettingsForm::AddTextBox(const QString& name, int left, int top, int width, int height) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setGeometry(TwipsRect(left, top, width, height));
    return box;
}

void SettingsForm::keyPressEvent(QKeyEvent* event) {
    // Text boxes and check boxes pass Enter and Esc on to the window.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && defaultButton_ &&
            defaultButton_->isEnabled()) {
            defaultButton_->click();
            return;
        }
        if (event->key() == Qt::Key_Escape && cancelButton_ && cancelButton_->isEnabled()) {
            cancelButton_->click();
            return;
        }
        if (event->key() == Qt::Key_Escape && !cancelButton_) {
            close(); // a window without a cancel button closes on Esc like any dialog
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace ricorne
