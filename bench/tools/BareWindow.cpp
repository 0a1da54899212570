// The toolkit's floor: a Qt Widgets window showing one Japanese label and nothing else, for
// the start-up and memory rows to measure ours against.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("新着メール無し。"));
    label.show();
    return app.exec();
}
