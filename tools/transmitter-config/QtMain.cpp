// transmitter-config on Linux: the window on Qt Widgets.

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/StartUp.h"
#include "product/Version.h"
#include "qt/TerminationSignals.h"
#include "qtwidgets/Application.h"
#include "qtwidgets/QtEventLoop.h"
#include "qtwidgets/ReadAhead.h"
#include "qtwidgets/XcbImages.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Whether the window system Qt will use has a display to show the window on. Platforms that
// need none (offscreen, vnc, linuxfb, ...) are taken as they are.
bool HasDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool windowSystem =
        platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    return !windowSystem || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char* argv[]) {
    qtwidgets::UseQtEventLoop();
    qtwidgets::SendImagesOverTheConnection();
    // Every argument is read before the window system is brought up: help, the version and a
    // usage error work on a machine without a display.
    app::StartUp startUp(argv[0], std::vector<std::string>(argv + 1, argv + argc),
                         rtu::PortNaming::Unix);
    if (const auto status = startUp.Answer(std::cout, std::cerr)) {
        return *status;
    }
    if (!HasDisplay()) {
        std::fputs(
            "transmitter-config: no display found (neither DISPLAY nor WAYLAND_DISPLAY is "
            "set); transmitter-cli works without one\n",
            stderr);
        return 1;
    }
    if (!startUp.OpenTrace(std::cerr)) {
        return 2;
    }

    // Fonts and ports are read while the window system comes up.
    qtwidgets::ReadAhead readAhead;
    QApplication qtApp(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("transmitter-config"));
    QCoreApplication::setApplicationVersion(FromUtf8(product::kVersion));
    // The window's title is the product's name and version: it titles the message boxes, and the
    // window system adds nothing to the window's own title.
    QApplication::setApplicationDisplayName(FromUtf8(product::kWindowTitle));

    std::unique_ptr<qtwidgets::Application> application;
    try {
        application = std::make_unique<qtwidgets::Application>(startUp.Line(), startUp.Trace(),
                                                               readAhead.TakeListing());
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "transmitter-config: no timer or simulated transmitter: %s\n",
                     e.what());
        return 1;
    }
    // Message boxes take the window's icon, read once.
    QApplication::setWindowIcon(application->Window().windowIcon());
    application->Start();
    // The end of the session closes the port as closing the window does.
    std::unique_ptr<qt::TerminationSignals> endInOrder;
    try {
        endInOrder = std::make_unique<qt::TerminationSignals>();
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "transmitter-config: signals end the program at once: %s\n", e.what());
    }
    return QApplication::exec();
}
