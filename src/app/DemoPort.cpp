#include "app/DemoPort.h"

#include <algorithm>

namespace app {

bool IsDemoPort(std::string_view name) {
    return std::equal(name.begin(), name.end(), kDemoPort.begin(), kDemoPort.end(),
                      [](char a, char b) {
                          const auto lower = [](char c) {
                              return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                          };
                          return lower(a) == lower(b);
                      });
}

}  // namespace app
