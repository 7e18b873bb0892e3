// Linked into the test programs that run the album server with several requests at once under
// ThreadSanitizer. The server's HTTP library is a prebuilt shared library: its own synchronisation
// is invisible to the sanitizer, which then reports races between the library's worker threads
// inside the library. The tests are about the control, not the server, so those reports are
// suppressed; races in the control's code are still reported.

extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libcpp-httplib.so\n"; }
