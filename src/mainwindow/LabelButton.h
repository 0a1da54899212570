// A label that acts as a button: Clicked() when the left button is pressed and released on it.
// Its caption is plain text, so leading blanks and ideographic spaces stay as they are. A screen
// reader meets it as a push button named by its accessible name. Tab reaches it (a ring shows
// where the focus is) and Enter or Space press it.
#pragma once

#include <QLabel>

namespace ricorne {

class LabelButton : public QLabel {
    Q_OBJECT
public:
    explicit LabelButton(const QString& caption, QWidget* parent = nullptr);

Q_SIGNALS:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace ricorne
