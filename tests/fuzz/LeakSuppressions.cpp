// The font library and the desktop bus keep caches for the life of the process; they are not leaks
// of ours. Linked into every fuzz program, as the test programs' main carries the same list.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
