#include "app/ReadAhead.h"

#include <system_error>

#ifdef HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace app {

std::future<QList<QSerialPortInfo>> ReadAheadFontsAndPorts() {
    try {
        return std::async(std::launch::async, [] {
#ifdef HAVE_FONTCONFIG
            // Loads the configuration Qt's font database takes later: fontconfig keeps one
            // current configuration per process and guards its loading.
            FcInit();
#endif
            return QSerialPortInfo::availablePorts();
        });
    } catch (const std::system_error&) {
        return {};
    }
}

}  // namespace app
