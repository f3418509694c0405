// One window with one Chinese label and nothing else: what any Qt Widgets program on this
// machine costs in memory and start-up time.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("端口号"));
    label.show();
    return QApplication::exec();
}
