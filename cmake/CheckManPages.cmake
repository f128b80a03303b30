# Renders each manual page as man-db does for a reader (and lintian for the
# package), 80 columns wide, and fails on any warning; lexgrog must find its
# NAME line, which apropos and whatis show.
#
#   cmake -DMAN=man -DLEXGROG=lexgrog -DPAGES="a.1.gz;b.1.gz" -P CheckManPages.cmake
cmake_minimum_required(VERSION 3.21)

if(NOT PAGES)
  message(FATAL_ERROR "no manual pages to check")
endif()
set(failed OFF)
foreach(page IN LISTS PAGES)
  # man reports troff's warnings on standard error and still ends with status 0.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80 MANROFFSEQ=
      ${MAN} --warnings -E UTF-8 -l -Tutf8 -Z ${page}
    OUTPUT_QUIET ERROR_VARIABLE warnings RESULT_VARIABLE status)
  string(STRIP "${warnings}" warnings)
  if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
    message(SEND_ERROR "${page}: man ended with ${status}:\n${warnings}")
    set(failed ON)
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${LEXGROG} ${page}
    OUTPUT_VARIABLE whatis ERROR_VARIABLE whatis RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${page}: lexgrog finds no NAME line (${status}): ${whatis}")
    set(failed ON)
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "manual pages with warnings")
endif()
list(LENGTH PAGES count)
message(STATUS "${count} manual pages render without warnings")
