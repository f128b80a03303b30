# The package's documents, written when the project is configured so that each fact
# is written once: from CHANGELOG.md the Debian changelog and the AppStream
# <releases>, from LICENSE the Debian copyright file, and the manual pages
# (packaging/man/**/NAME.in) with the version, the release date and the install
# paths filled in. Configuring stops, saying why, when the changelog's newest
# version is not the project's or a line of it does not parse. Sets VIEWER_MAN_PAGES.
function(package_docs)
  set(changelog ${CMAKE_SOURCE_DIR}/CHANGELOG.md)
  set(license ${CMAKE_SOURCE_DIR}/LICENSE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog} ${license})
  file(MAKE_DIRECTORY ${VIEWER_DOC_DIR})
  # awk for the text, date for the day of the week dpkg checks against the date.
  execute_process(COMMAND awk -v package=surface-viewer -v maintainer=${VIEWER_CONTACT}
      -v debian=${VIEWER_DOC_DIR}/changelog [=[
    function fail(why) { printf "%s:%d: %s\n", FILENAME, FNR, why > "/dev/stderr"; failed = 1; exit 1 }
    function older(a, b,   x, y, i) {
      split(a, x, "."); split(b, y, ".")
      for (i = 1; i in x || i in y; i++) if (x[i] + 0 != y[i] + 0) return x[i] + 0 < y[i] + 0
    }
    # Each item wrapped within 80 columns: "  * " and then four spaces before each line.
    function end_item(   words, n, i, line) {
      if (item == "") return
      n = split(item, words, " "); line = "  *"
      for (i = 1; i <= n; i++) {
        if (length(line " " words[i]) > 79 && line !~ /^ +\*?$/) { print line > debian; line = "   " }
        line = line " " words[i]
      }
      print line > debian
      gsub(/&/, "\\&amp;", item); gsub(/</, "\\&lt;", item); gsub(/>/, "\\&gt;", item)
      printf "          <li>%s</li>\n", item
      item = ""; items++
    }
    function end_entry() {
      end_item()
      if (!items) fail(version " lists no change")
      printf "\n -- %s  %s\n", maintainer, stamp > debian
      print "        </ul>\n      </description>\n    </release>"
    }
    /^## / {
      if ($0 !~ /^## [0-9]+(\.[0-9]+)* \([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]\)$/)
        fail("a version heading reads \"## 1.2.3 (YYYY-MM-DD)\"")
      if (version != "") {
        end_entry(); print "" > debian
        if (!older($2, version)) fail($2 " comes after " version ": newest first")
        if (substr($3, 2, 10) > date) fail($2 " is dated after " version)
      }
      version = $2; date = substr($3, 2, 10); items = 0
      command = "date -u -R -d " date
      if ((command | getline stamp) <= 0) fail("no such date")
      close(command)
      printf "%s (%s) unstable; urgency=medium\n\n", package, version > debian
      printf "    <release version=\"%s\" date=\"%s\">\n      <description>\n        <ul>\n", version, date
      next
    }
    version == "" { next }
    /^- ./ { end_item(); item = substr($0, 3); next }
    /^  +[^ ]/ && item != "" { sub(/^ +/, ""); item = item " " $0; next }
    /^$/ { end_item(); next }
    { fail("under a version heading, \"- \" starts an item and its further lines are indented") }
    END {
      if (failed) exit 1
      if (version == "") fail("no version heading (\"## 1.2.3 (YYYY-MM-DD)\")")
      end_entry()
    }]=] ${changelog}
    OUTPUT_VARIABLE VIEWER_RELEASES ERROR_VARIABLE error RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "awk ended with ${status}:\n${error}")
  endif()
  file(STRINGS ${changelog} newest REGEX "^## " LIMIT_COUNT 1)
  string(REGEX MATCH "^## ([^ ]+) \\((.*)\\)$" newest "${newest}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${changelog}: the newest entry is ${CMAKE_MATCH_1}, but the project's version "
      "(project() in CMakeLists.txt) is ${PROJECT_VERSION}: add an entry \"## ${PROJECT_VERSION} (YYYY-MM-DD)\" at the top")
  endif()
  set(RELEASE_DATE ${CMAKE_MATCH_2})
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/surface-viewer.metainfo.xml.in ${VIEWER_METAINFO_FILE} @ONLY)

  # The Debian copyright file (machine-readable format 1.0) around LICENSE's text.
  file(READ ${license} text)
  if(NOT text MATCHES "Copyright \\(c\\) ([^\n]+)\n+(Permission[^\n]*\n.*)$")
    message(FATAL_ERROR "${license}: no \"Copyright (c) ...\" line before the permission notice")
  endif()
  set(holder "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" terms)
  string(REGEX REPLACE "\n\n+" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms "${terms}")
  file(WRITE ${VIEWER_DOC_DIR}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: surface-viewer\n"
    "Upstream-Contact: ${VIEWER_CONTACT}\n"
    "Source: ${VIEWER_HOMEPAGE}\n"
    "\n"
    "Files: *\n"
    "Copyright: ${holder}\n"
    "License: Expat\n"
    "Comment: The build draws the textures in ${VIEWER_DATA_DIR}/Textures\n"
    " with tools/texgen, and the icons from packaging/surface-viewer.xpm with\n"
    " tools/icongen. Being made from these files, they are under the same licence.\n"
    "\n"
    "License: Expat\n"
    " ${terms}\n")

  # A plain "-" may be set as a hyphen (not the ASCII one a shell needs) and broken
  # at a line's end.
  string(REPLACE "-" "\\-" BIN_DIR ${CMAKE_INSTALL_FULL_BINDIR})
  string(REPLACE "-" "\\-" DATA_DIR ${VIEWER_DATA_DIR})
  string(REPLACE "-" "\\-" DATAROOT_DIR ${CMAKE_INSTALL_FULL_DATADIR})
  set(man ${CMAKE_CURRENT_SOURCE_DIR}/man)
  file(GLOB_RECURSE pages CONFIGURE_DEPENDS RELATIVE ${man} ${man}/*.in)
  set(written)
  foreach(page IN LISTS pages)
    string(REGEX REPLACE "\\.in$" "" page ${page})
    configure_file(${man}/${page}.in ${CMAKE_CURRENT_BINARY_DIR}/man/${page} @ONLY)
    list(APPEND written ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  endforeach()
  # -n leaves out the name and time stamp, so the same text gives the same bytes.
  foreach(file ${VIEWER_DOC_DIR}/changelog ${written})
    execute_process(COMMAND gzip -9nc ${file} OUTPUT_FILE ${file}.gz RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip ${file}: ${status}")
    endif()
  endforeach()
  list(TRANSFORM written APPEND .gz)
  set(VIEWER_MAN_PAGES ${written} PARENT_SCOPE)
endfunction()
