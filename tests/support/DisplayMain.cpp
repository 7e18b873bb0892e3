// Registers the display environment of a test program of real windows (DisplayEnvironment.h).
//
// GTK, GLib, fontconfig and the X libraries keep caches and singletons for the life of the
// process in forms that LeakSanitizer cannot trace: allocations made inside them are not reported
// as leaks in these programs.

#include "tests/support/DisplayEnvironment.h"

namespace {
[[maybe_unused]] ::testing::Environment* const kDisplay =
    ::testing::AddGlobalTestEnvironment(new fotaro::test::DisplayEnvironment);
}  // namespace

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\nleak:libgio-2.0.so\nleak:libpango-1.0.so\nleak:libpangoft2-1.0.so\n"
         "leak:libX11.so\nleak:libcairo.so\nleak:libgdk_pixbuf-2.0.so\nleak:libharfbuzz.so\n";
}
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
