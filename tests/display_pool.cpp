// Compiled into every test program. When ctest runs a test with a display
// of the pool (resource "display", see tests/x11_resources.cmake and
// .ci/run), it names the display in CTEST_RESOURCE_GROUP_0_DISPLAY as
// "id:<number>,slots:1"; DISPLAY is pointed at that display before any
// test starts, so that X11 tests on different displays run side by side.
#include <cstdlib>
#include <string>

namespace {

bool UsePooledDisplay() {
  const char* Group = std::getenv("CTEST_RESOURCE_GROUP_0_DISPLAY");
  if (!Group) return false;
  std::string Text = Group;
  if (Text.rfind("id:", 0) != 0) return false;
  std::string Number = Text.substr(3, Text.find(',') - 3);
  if (Number.empty() || Number.find_first_not_of("0123456789") != std::string::npos) return false;
  return ::setenv("DISPLAY", (":" + Number).c_str(), 1) == 0;
}

[[maybe_unused]] const bool PooledDisplay = UsePooledDisplay();

}  // namespace
