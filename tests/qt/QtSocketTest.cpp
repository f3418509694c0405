// The connection to a serial server on Qt Network, against a listening socket on loopback.
#include "qt/QtSocket.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Connected = seams::StreamSocket::Connected;

// A request leaves at once: Nagle's algorithm is off on the connection. What cannot connect says
// why: nobody listening, or a name that does not resolve.
TEST(QtSocket, ConnectsWithNagleOffAndTellsWhyNot) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const auto port = ntohs(address.sin_port);

    qt::QtSocket socket;
    ASSERT_EQ(socket.Connect("127.0.0.1", port, 3000), Connected::Yes);
    int noDelay = 0;
    socklen_t size = sizeof noDelay;
    ASSERT_EQ(::getsockopt(socket.Descriptor(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
    EXPECT_NE(noDelay, 0);
    socket.Close();
    EXPECT_EQ(socket.Descriptor(), -1);

    ::close(listener);
    EXPECT_EQ(socket.Connect("127.0.0.1", port, 3000), Connected::Refused);
    EXPECT_EQ(socket.Connect("no-such-host.invalid", port, 3000), Connected::HostNotFound);
}

}  // namespace
