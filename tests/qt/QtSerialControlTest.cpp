#include "qt/QtSerialControl.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QTest>
#include <algorithm>
#include <future>
#include <numeric>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using rtu::SerialError;

// A pseudo-terminal: the control opens the slave path as its port, the test plays the device
// on the master side.
class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        CloseMaster();
        ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& Path() const { return path_; }
    int Slave() const { return slave_; }

    void Send(const Bytes& bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Whatever the control has written so far.
    Bytes Received() const {
        Bytes got;
        std::uint8_t chunk[512];
        for (ssize_t n; (n = ::read(master_, chunk, sizeof chunk)) > 0;) {
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    // The device end goes away: the port hangs up.
    void CloseMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

struct RecordingListener : rtu::SerialListener {
    explicit RecordingListener(rtu::SerialControl& serial) : serial_(serial) {
        serial_.SetListener(this);
    }
    ~RecordingListener() override { serial_.SetListener(nullptr); }

    void OnBytesWaiting() override {
        ++notifications;
        std::uint8_t chunk[64];
        for (std::size_t n; (n = serial_.Read(chunk)) > 0;) {
            received.insert(received.end(), chunk, chunk + n);
        }
    }
    void OnSerialError(SerialError error) override {
        errors.push_back(error);
        if (closeOnError) {
            serial_.Close();
        }
    }

    rtu::SerialControl& serial_;
    bool closeOnError = false;
    int notifications = 0;
    Bytes received;
    std::vector<SerialError> errors;
};

Bytes AllByteValues() {
    Bytes bytes(256);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes;
}

TEST(QtSerialControl, AllByteValuesPassUnchangedBothWays) {
    PtyPair pty;
    qt::QtSerialControl serial;
    RecordingListener listener(serial);
    serial.SelectPort(pty.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);

    // Zero bytes, XON/XOFF, CR/LF and 0xFF are where a line discipline would bite.
    const Bytes all = AllByteValues();
    ASSERT_TRUE(serial.Write(all));
    Bytes atDevice;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        const Bytes more = pty.Received();
        atDevice.insert(atDevice.end(), more.begin(), more.end());
        return atDevice.size() >= all.size();
    }));
    EXPECT_EQ(atDevice, all);

    pty.Send(all);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.received.size() >= all.size(); }));
    EXPECT_EQ(listener.received, all);
}

// Requests go straight to the line; what the kernel cannot take at once is queued, and a later
// request waits behind it instead of overtaking it.
TEST(QtSerialControl, WhatTheLineCannotTakeAtOnceArrivesLaterInOrder) {
    PtyPair pty;
    qt::QtSerialControl serial;
    serial.SelectPort(pty.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);

    // Far more than a pseudo-terminal buffers while nobody reads the device end.
    Bytes first(256 * 1024);
    for (std::size_t i = 0; i < first.size(); ++i) {
        first[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    const Bytes second{0x00, 0x03, 0x00, 0x15, 0x00, 0x02, 0xD4, 0x1E};
    ASSERT_TRUE(serial.Write(first));
    // The device takes what reached it, so that the line has room again while the rest of the
    // first write still waits in the queue.
    Bytes atDevice = pty.Received();
    ASSERT_FALSE(atDevice.empty());
    ASSERT_TRUE(serial.Write(second));

    Bytes expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const Bytes more = pty.Received();
            atDevice.insert(atDevice.end(), more.begin(), more.end());
            return atDevice.size() >= expected.size();
        },
        10000));
    EXPECT_TRUE(atDevice == expected) << atDevice.size() << " bytes arrived";
}

TEST(QtSerialControl, OpensRawAt115200EightNoneOneWithoutFlowControl) {
    PtyPair pty;
    qt::QtSerialControl serial;
    serial.SelectPort(pty.Path());
    serial.SetLineSettings(rtu::kLineSettings);
    ASSERT_EQ(serial.Open(), SerialError::None);

    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &tio), 0);
    EXPECT_EQ(::cfgetispeed(&tio), B115200);
    EXPECT_EQ(::cfgetospeed(&tio), B115200);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
}

TEST(QtSerialControl, OneWaitingByteRaisesTheNotification) {
    PtyPair pty;
    qt::QtSerialControl serial;
    RecordingListener listener(serial);
    serial.SelectPort(pty.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);

    pty.Send({0x00});
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.notifications >= 1; }, 1000));
    EXPECT_EQ(listener.received, Bytes{0x00});
}

TEST(QtSerialControl, DiscardInputDropsTheWaitingBytes) {
    PtyPair pty;
    qt::QtSerialControl serial;
    serial.SelectPort(pty.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);

    pty.Send({0x01, 0x02, 0x03});
    // Without a listener reading them, the bytes stay waiting in the control.
    QTest::qWait(50);
    serial.DiscardInput();
    std::uint8_t into[8];
    EXPECT_EQ(serial.Read(into), 0u);
}

TEST(QtSerialControl, OpeningAPortThatDoesNotExistFailsWithNotFound) {
    for (const char* name : {"/dev/no-such-port-4711", "ttyNoSuchPort4711"}) {
        SCOPED_TRACE(name);
        qt::QtSerialControl serial;
        serial.SelectPort(name);
        EXPECT_EQ(serial.Open(), SerialError::NotFound);
        EXPECT_FALSE(serial.IsOpen());
        const Bytes frame{0x00, 0x03};
        EXPECT_FALSE(serial.Write(frame));
    }
}

TEST(QtSerialControl, APortHeldByAnotherControlIsBusyUntilReleased) {
    PtyPair pty;
    qt::QtSerialControl holder;
    qt::QtSerialControl other;
    holder.SelectPort(pty.Path());
    other.SelectPort(pty.Path());
    ASSERT_EQ(holder.Open(), SerialError::None);

    EXPECT_EQ(other.Open(), SerialError::Busy);
    EXPECT_FALSE(other.IsOpen());

    holder.Close();
    EXPECT_EQ(other.Open(), SerialError::None);
}

// QSerialPort repeats the error of a hung-up port in a busy loop, hundreds of thousands of times
// a second, for as long as the port stays open.
TEST(QtSerialControl, AHangUpIsReportedOncePerOpen) {
    qt::QtSerialControl serial;
    RecordingListener listener(serial);

    PtyPair first;
    serial.SelectPort(first.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);
    first.CloseMaster();
    QTest::qWait(200);
    EXPECT_EQ(listener.errors, std::vector<SerialError>{SerialError::DeviceGone});
    EXPECT_TRUE(serial.IsOpen()) << "the control leaves closing to its listener";
    serial.Close();

    // A new open reports its own failure again; this time the listener closes the port at once,
    // as the window's logic does.
    listener.closeOnError = true;
    PtyPair second;
    serial.SelectPort(second.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);
    second.CloseMaster();
    QTest::qWait(200);
    EXPECT_EQ(listener.errors.size(), 2u);
    EXPECT_FALSE(serial.IsOpen());
}

// A device path opens its port, and the details name the path and the device file's group, taken
// from the file itself.
TEST(QtSerialControl, ADevicePathOpensItsPortAndDescribesIt) {
    PtyPair pty;
    qt::QtSerialControl serial;
    serial.SelectPort(pty.Path());
    EXPECT_EQ(serial.SelectedPath(), pty.Path());
    ASSERT_EQ(serial.Open(), SerialError::None);
    const Bytes frame{0x00, 0x03, 0x00, 0x00};
    ASSERT_TRUE(serial.Write(frame));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pty.Received() == frame; }, 2000));

    const rtu::PortDetails details = serial.DetailsOf(pty.Path());
    EXPECT_EQ(details.path, pty.Path());
    struct stat info {};
    ASSERT_EQ(::stat(pty.Path().c_str(), &info), 0);
    const struct group* owner = ::getgrgid(info.st_gid);
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(details.group, owner->gr_name);
    EXPECT_EQ(serial.DetailsOf("ttyNoSuchPort4711").path, "/dev/ttyNoSuchPort4711");
}

// The listing started with the program serves the first probe only: the drop-down's probes
// list the ports afresh, and taking the listing a second time must not throw.
TEST(QtSerialControl, TheListingGivenAtStartServesTheFirstProbeOnly) {
    std::vector<std::string> system;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        system.push_back(info.portName().toStdString());
    }
    std::promise<qt::QtSerialControl::Listing> startListing;
    qt::QtSerialControl serial;
    serial.TakeFirstListing(startListing.get_future());
    startListing.set_value({});

    EXPECT_TRUE(serial.SystemPortNames().empty());
    EXPECT_EQ(serial.SystemPortNames(), system);
    EXPECT_EQ(serial.SystemPortNames(), system);
}

// The tries made with the start-up listing answer the port list's first probe of each port, as
// the port was then; a later probe opens the port itself.
TEST(QtSerialControl, TheStartUpTriesAnswerTheFirstProbeOfEachPortOnly) {
    qt::QtSerialControl::Listing tried = qt::QtPortCatalogue::ListAndTryPorts();
    ASSERT_EQ(tried.tries.size(), static_cast<std::size_t>(tried.ports.size()));
    if (tried.ports.isEmpty()) {
        GTEST_SKIP() << "this machine lists no serial ports";
    }
    // What this machine really answers, then a start-up listing that says otherwise.
    qt::QtSerialControl::Listing refused = tried;
    std::fill(refused.tries.begin(), refused.tries.end(), SerialError::PermissionDenied);
    std::promise<qt::QtSerialControl::Listing> startListing;
    qt::QtSerialControl serial;
    serial.TakeFirstListing(startListing.get_future());
    startListing.set_value(refused);

    const std::vector<std::string> names = serial.SystemPortNames();
    ASSERT_EQ(names.size(), refused.tries.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        serial.SelectPort(names[i]);
        EXPECT_EQ(serial.OpenAndClose(), SerialError::PermissionDenied) << names[i];
        EXPECT_FALSE(serial.IsOpen());
        EXPECT_EQ(serial.OpenAndClose(), tried.tries[i]) << names[i] << ", tried again";
        EXPECT_FALSE(serial.IsOpen());
    }
}

}  // namespace
