// Linked into the executables that lay out text (their sanitizer builds). fontconfig keeps its
// configuration and the patterns of the fonts Pango has opened for the life of the process, in a
// form LeakSanitizer cannot trace, so it reports them as leaks at exit. Only allocations made
// inside fontconfig are ignored: a Pango or Cairo object that our code forgets to free is still
// reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
