// udev's by-id links to a port's device file, on a made-up /dev of symlinks in a temporary
// directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "posix/ByIdLinks.h"

namespace {

namespace fs = std::filesystem;

class ByIdLinks : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/byid-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "by-id");
        std::ofstream(root_ / "ttyUSB0").put('x');
        std::ofstream(root_ / "ttyUSB1").put('x');
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(ByIdLinks, FindsTheLinksThatLeadToTheDeviceInNameOrder) {
    fs::create_symlink("../ttyUSB0", root_ / "by-id" / "usb-b-port0");
    fs::create_symlink(root_ / "ttyUSB0", root_ / "by-id" / "usb-a-port0");
    fs::create_symlink("../ttyUSB1", root_ / "by-id" / "usb-other-port0");
    fs::create_symlink("../ttyUSB7", root_ / "by-id" / "usb-dangling-port0");
    const std::string dir = (root_ / "by-id").string();

    EXPECT_EQ(posix::ByIdLinks(dir, (root_ / "ttyUSB0").string()),
              (std::vector<std::string>{dir + "/usb-a-port0", dir + "/usb-b-port0"}));
    EXPECT_EQ(posix::ByIdLinks(dir, (root_ / "ttyUSB1").string()),
              (std::vector<std::string>{dir + "/usb-other-port0"}));
    // A by-id link itself, typed into the chooser, finds its siblings too.
    EXPECT_EQ(posix::ByIdLinks(dir, dir + "/usb-b-port0").size(), 2u);
    EXPECT_TRUE(posix::ByIdLinks(dir, (root_ / "ttyUSB7").string()).empty());
    EXPECT_TRUE(posix::ByIdLinks((root_ / "none").string(), (root_ / "ttyUSB0").string()).empty());
}

}  // namespace
