// Sanitizer builds of the tests and of the program (for the monkey run) only:
// libraries are never unloaded, so that a leak report can still name the library
// (Mesa's driver, a Qt plugin) that made the allocation, and the suppressions for
// third-party libraries can match it.
extern "C" int dlclose(void*) { return 0; }
