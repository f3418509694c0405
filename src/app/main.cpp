#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <memory>
#include <string_view>
#include <system_error>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "ui/AppIcon.h"
#include "ui/Widget.h"

namespace {

bool AsksForHelp(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "--help-all" || arg == "-h" || arg == "-?") {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Help is given without a display: before the window system is brought up.
    if (AsksForHelp(argc, argv)) {
        const QCoreApplication core(argc, argv);
        std::fputs(app::ParseCommandLine(QCoreApplication::arguments()).helpText.c_str(), stdout);
        return 0;
    }

    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("transmitter-config"));
    QApplication::setApplicationVersion(QStringLiteral("2.1"));
    // The window's caption is the program's name: it titles the message boxes, and the window
    // system adds nothing to the window's own title.
    const std::string_view caption = ui::DefaultsOf(ui::Widget::Form1).text;
    QApplication::setApplicationDisplayName(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    QApplication::setWindowIcon(ui::AppIcon());

    const app::CommandLine commandLine = app::ParseCommandLine(QApplication::arguments());
    if (!commandLine.error.empty()) {
        std::fprintf(stderr, "%s\n\n%s", commandLine.error.c_str(), commandLine.helpText.c_str());
        return 2;
    }

    std::unique_ptr<app::Application> application;
    try {
        application = std::make_unique<app::Application>(commandLine);
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "demo mode: no simulated transmitter: %s\n", e.what());
        return 1;
    }
    application->Start();
    return QApplication::exec();
}
