// The least a Qt Widgets program pays for the wire timeline's wake-ups: one window, woken three
// times per 200 ms tick by timerfds, as the program is by its tick, the reply and the end of the
// reply, and doing nothing else. With --new-text it also sets a new text in a line edit once a
// tick, as the live position of a turning shaft does. The bench compares the program's CPU with
// this one's.
#include <sys/timerfd.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QSocketNotifier>
#include <cstdint>
#include <cstring>

int main(int argc, char* argv[]) {
    qputenv("QT_NO_GLIB", "1");
    qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    const bool newText = argc > 1 && std::strcmp(argv[1], "--new-text") == 0;
    QLineEdit edit(QStringLiteral("端口号"));
    edit.show();

    // The tick, the reply 2 ms later and the end of the reply 50 ms after that.
    constexpr long kOffsetsNs[] = {1'000'000, 3'000'000, 53'000'000};
    int count = 0;
    for (std::size_t i = 0; i < std::size(kOffsetsNs); ++i) {
        const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        itimerspec every{};
        every.it_interval.tv_nsec = 200'000'000;
        every.it_value.tv_nsec = kOffsetsNs[i];
        ::timerfd_settime(fd, 0, &every, nullptr);
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, &app);
        const bool last = i + 1 == std::size(kOffsetsNs);
        QObject::connect(notifier, &QSocketNotifier::activated, [fd, last, newText, &edit, &count] {
            std::uint64_t expiries = 0;
            (void)::read(fd, &expiries, sizeof expiries);
            if (last && newText) {
                edit.setText(QString::number(++count));
            }
        });
    }
    return QApplication::exec();
}
