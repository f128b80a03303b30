# Runs the leak probe under LeakSanitizer with the project's suppressions and
# passes only when its deliberate leak is reported with Qt's frames on the stack:
# a suppression that matches our code, or anything that passes through Qt, fails.
#   cmake -DPROBE=<leak_probe> -DSUPPRESSIONS=<lsan.supp> -P ExpectLeak.cmake
set(ENV{ASAN_OPTIONS} "detect_leaks=1:halt_on_error=1")
set(ENV{LSAN_OPTIONS} "suppressions=${SUPPRESSIONS}:print_suppressions=0")
set(ENV{LIBGL_ALWAYS_SOFTWARE} 1)
set(ENV{QT_QPA_PLATFORM} xcb)
execute_process(COMMAND ${PROBE} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out
                TIMEOUT 120)

# The report of the 4093 bytes: its header line and the frames below it.
string(REGEX MATCH "Direct leak of 4093 byte[^\n]*\n(    #[^\n]*\n)+" report "${out}")
if(code EQUAL 0 OR NOT report)
  message(FATAL_ERROR "The leak was not reported (exit code ${code}):\n${out}")
endif()
if(NOT report MATCHES "LeakFromEventHandler")
  message(FATAL_ERROR "The report does not name the leaking function:\n${report}")
endif()
if(NOT report MATCHES "libQt6Core")
  message(FATAL_ERROR "The leak was not made inside Qt's event dispatch:\n${report}")
endif()
message(STATUS "Reported as expected:\n${report}")
