// Linked into the executables that lay out text, for their sanitizer builds.
//
// fontconfig keeps its configuration and the patterns of the fonts Pango has opened for the life
// of the process, in a form LeakSanitizer cannot trace, so it reports them as leaks at exit. Only
// allocations made inside fontconfig are ignored: a Pango or Cairo object that our code forgets to
// free is still reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

// fontconfig, HarfBuzz, GLib and Cairo share caches and recycle memory between threads through
// their own atomic operations, which ThreadSanitizer cannot see in the uninstrumented libraries,
// so threads that lay out text at the same time look racy inside them. The memory accesses those
// libraries make themselves are not checked; every access our code makes still is.
extern "C" const char* __tsan_default_options() { return "ignore_noninstrumented_modules=1"; }
