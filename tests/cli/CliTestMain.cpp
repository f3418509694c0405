#include <gtest/gtest.h>

#include <QCoreApplication>

// QProcess wants an application object; no display is needed.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
