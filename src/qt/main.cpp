#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <future>
#include <memory>
#include <string_view>
#include <system_error>

#include "ProgramVersion.h"
#include "link/TraceWriter.h"
#include "qt/Application.h"
#include "qt/CommandLine.h"
#include "qt/QtEventLoop.h"
#include "qt/QuitOnSignals.h"
#include "qt/ReadAhead.h"
#include "qt/XcbImages.h"
#include "ui/Widget.h"

namespace {

void NameTheProgram() {
    QCoreApplication::setApplicationName(QStringLiteral("transmitter-config"));
    QCoreApplication::setApplicationVersion(
        QString::fromUtf8(kProgramVersion.data(), static_cast<qsizetype>(kProgramVersion.size())));
}

// Every argument is read before the window system is brought up: help, the version and a usage
// error work on a machine without a display. A start without help or error reads them without an
// application object, which would cost the start-up a millisecond; the usage text names the
// program as it was started, which takes one. The arguments are decoded as QCoreApplication
// decodes them.
app::CommandLine ReadCommandLine(int argc, char* argv[]) {
    NameTheProgram();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    app::CommandLine line = app::ParseCommandLine(arguments);
    if (line.help || !line.error.empty()) {
        const QCoreApplication core(argc, argv);
        line = app::ParseCommandLine(QCoreApplication::arguments());
    }
    return line;
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
    app::UseQtEventLoop();
    app::SendImagesOverTheConnection();
    const app::CommandLine commandLine = ReadCommandLine(argc, argv);
    if (commandLine.help) {
        std::fputs(commandLine.helpText.c_str(), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::printf("transmitter-config %.*s\n", static_cast<int>(kProgramVersion.size()),
                    kProgramVersion.data());
        return 0;
    }
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "%s\n\n%s", commandLine.error.c_str(), commandLine.helpText.c_str());
        return 2;
    }

    if (!HasDisplay()) {
        std::fputs(
            "transmitter-config: no display found (neither DISPLAY nor WAYLAND_DISPLAY is "
            "set); transmitter-cli works without one\n",
            stderr);
        return 1;
    }

    // The trace file is opened before anything else starts: one that cannot be written is a
    // usage error now, never a surprise mid-run.
    std::unique_ptr<rtu::TraceWriter> trace;
    if (!commandLine.trace.empty()) {
        std::string error;
        trace = rtu::TraceWriter::Open(commandLine.trace, error);
        if (!trace) {
            std::fprintf(stderr, "transmitter-config: cannot write the trace file %s: %s\n",
                         commandLine.trace.c_str(), error.c_str());
            return 2;
        }
    }

    // Fonts and ports are read while the window system comes up.
    app::ReadAhead readAhead;
    QApplication qtApp(argc, argv);
    NameTheProgram();
    // The window's caption is the program's name: it titles the message boxes, and the window
    // system adds nothing to the window's own title.
    const std::string_view caption = ui::DefaultsOf(ui::Widget::Form1).text;
    QApplication::setApplicationDisplayName(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));

    std::unique_ptr<app::Application> application;
    try {
        application =
            std::make_unique<app::Application>(commandLine, trace.get(), readAhead.TakeListing());
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "demo mode: no simulated transmitter: %s\n", e.what());
        return 1;
    }
    // Message boxes take the window's icon, read once.
    QApplication::setWindowIcon(application->Window().windowIcon());
    application->Start();
    // The end of the session closes the port as closing the window does.
    std::unique_ptr<app::QuitOnSignals> quitOnSignals;
    try {
        quitOnSignals = std::make_unique<app::QuitOnSignals>();
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "transmitter-config: signals end the program at once: %s\n", e.what());
    }
    return QApplication::exec();
}
