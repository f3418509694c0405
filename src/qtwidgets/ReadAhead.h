#pragma once

#include <QThread>
#include <future>
#include <memory>

#include "qt/QtSerialControl.h"

namespace qtwidgets {

// What the window's load needs from the system, read on a thread of its own while the window
// system comes up: first the font configuration (fontconfig parses its files and maps its
// caches, 4-6 ms, before the window's first face can be resolved), then the system's serial
// ports (walking every tty takes about 10 ms), each tried as the port list tries it (an open
// writes a lock file, and a USB adapter takes milliseconds to open and close).
//
// A QThread, not a plain one: an open port watches itself with socket notifiers, which only a
// thread of Qt's may have.
class ReadAhead {
public:
    ReadAhead();
    // Waits for the thread.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The listing for the first probe, once; none when no thread could be had, and the probe
    // then lists and tries the ports itself.
    std::future<qt::QtSerialControl::Listing> TakeListing() { return std::move(listing_); }

private:
    std::promise<qt::QtSerialControl::Listing> promise_;
    std::future<qt::QtSerialControl::Listing> listing_;
    std::unique_ptr<QThread> thread_;
};

}  // namespace qtwidgets
