#include "qtwidgets/ReadAhead.h"

#include <fontconfig/fontconfig.h>

namespace qtwidgets {

ReadAhead::ReadAhead() {
    thread_.reset(QThread::create([this] {
        // Loads the configuration Qt's font database takes later: fontconfig keeps one
        // current configuration per process and guards its loading.
        FcInit();
        promise_.set_value(qt::QtPortCatalogue::ListAndTryPorts());
    }));
    listing_ = promise_.get_future();
    thread_->start();
    if (!thread_->isRunning() && !thread_->isFinished()) {
        listing_ = {};  // no thread to be had: the probe lists the ports itself
    }
}

ReadAhead::~ReadAhead() {
    thread_->wait();
}

}  // namespace qtwidgets
