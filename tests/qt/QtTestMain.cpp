#include <gtest/gtest.h>

#include <QApplication>

#include "qtwidgets/QtEventLoop.h"

// The widget tests need a QApplication; without a display they use the offscreen platform,
// also when the test list is gathered at build time. They run on the program's event loop.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qtwidgets::UseQtEventLoop();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("transmitter-config-tests"));
    QApplication::setApplicationDisplayName(QStringLiteral("Transmitter tests"));
    return RUN_ALL_TESTS();
}
