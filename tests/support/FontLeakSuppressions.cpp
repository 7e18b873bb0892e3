// Linked into the test executables that lay out text. fontconfig keeps its configuration and the
// patterns of the fonts Pango has opened for the life of the process, in a form LeakSanitizer
// cannot trace, so it reports them as leaks at exit. Only allocations made inside fontconfig are
// ignored: a Pango or Cairo object that our code forgets to free is still reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
