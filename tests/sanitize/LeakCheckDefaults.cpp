// Sanitizer builds of the tests and of the program only: defaults that hold
// whoever runs them, under whatever ASAN_OPTIONS.
//
// intercept_tls_get_addr=0: GCC 12's leak checker guesses where a dynamic TLS
// block begins from a header only old glibc versions wrote; when a block lands
// 16 bytes into a page it scans a garbage range and the checker itself dies
// ("Tracer caught signal 11", about 1 run in 12 of the leak probe). Static TLS,
// stacks and the heap are still scanned.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
