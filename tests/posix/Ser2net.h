#pragma once

// ser2net, Debian's Ethernet serial server, in front of simulated devices' pseudo-terminals: one
// port carries the bytes as they are, the other speaks Telnet with RFC 2217, both on loopback.
// Give each port a device of its own where both are used: ser2net holds a device for a while
// after its client leaves, and refuses another client of it meanwhile ("Port's device already in
// use").

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

class Ser2net {
public:
    static constexpr const char* kProgram = "/usr/sbin/ser2net";

    Ser2net(const std::string& rawPty, const std::string& rfc2217Pty) {
        if (::access(kProgram, X_OK) != 0) {
            return;
        }
        rawPort_ = FreePort();
        rfcPort_ = FreePort();
        char pattern[] = "/tmp/ser2net-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return;
        }
        dir_ = pattern;
        const std::string config = dir_ + "/ser2net.yaml";
        std::ofstream(config) << "connection: &raw\n"
                              << "  accepter: tcp,127.0.0.1," << rawPort_ << "\n"
                              << "  connector: serialdev," << rawPty << ",115200n81,local\n"
                              << "connection: &rfc\n"
                              << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << rfcPort_ << "\n"
                              << "  connector: serialdev," << rfc2217Pty << ",115200n81,local\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen((dir_ + "/ser2net.log").c_str(), "w", stderr);
            ::execl(kProgram, kProgram, "-n", "-d", "-c", config.c_str(),
                    static_cast<char*>(nullptr));
            std::_Exit(127);
        }
        // Ready when both ports listen. Not tried with a connection: ser2net would open the device
        // for it and hold it a while after.
        for (int i = 0; i < 100 && !(Listening(rawPort_) && Listening(rfcPort_)); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    }
    ~Ser2net() {
        Stop();
        if (!dir_.empty()) {
            std::system(("rm -rf '" + dir_ + "'").c_str());
        }
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    bool Running() const { return pid_ > 0; }
    std::string Raw() const { return "tcp://127.0.0.1:" + std::to_string(rawPort_); }
    std::string Rfc2217() const { return "rfc2217://127.0.0.1:" + std::to_string(rfcPort_); }

    // The server goes away, as a serial server that loses its power does.
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    // Whether the system lists a socket listening on 127.0.0.1:port (state 0A in /proc/net/tcp).
    static bool Listening(int port) {
        char local[32];
        std::snprintf(local, sizeof local, "0100007F:%04X", port);
        std::ifstream table("/proc/net/tcp");
        std::string line;
        while (std::getline(table, line)) {
            if (line.find(local) != std::string::npos && line.find(" 0A ") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    pid_t pid_ = -1;
    int rawPort_ = 0;
    int rfcPort_ = 0;
    std::string dir_;
};
