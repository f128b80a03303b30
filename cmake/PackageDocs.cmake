# The package's documents, made at build time so that each fact is written once:
# from CHANGELOG.md the Debian changelog and the AppStream <releases>, from LICENSE
# the Debian copyright file, and the manual pages with the version, the release
# date and the install paths filled in. Run in script mode:
#
#   cmake -DCHANGELOG=CHANGELOG.md -DVERSION=1.2.3 -DLICENSE_FILE=LICENSE
#         -DPACKAGE=name -DMAINTAINER="Name <mail>" -DHOMEPAGE=url -DAPP_ID=id
#         -DBIN_DIR=/usr/bin -DDATA_DIR=/usr/share/name -DDATAROOT_DIR=/usr/share
#         -DMETAINFO_IN=file.in -DMETAINFO_OUT=file -DDOC_DIR=dir
#         -DMAN_SOURCE_DIR=dir -DMAN_OUT_DIR=dir -DGZIP=gzip -P PackageDocs.cmake
#
# Fails, saying why, when the changelog's newest version is not VERSION, when its
# entries are not newest first, or when a line does not parse.
cmake_minimum_required(VERSION 3.21)

# CMake lists split at ';' and group at '[' and ']': these travel as stand-ins.
string(ASCII 1 kSemicolon)
string(ASCII 2 kOpenBracket)
string(ASCII 3 kCloseBracket)
function(restore_text out text)
  string(REPLACE "${kSemicolon}" ";" text "${text}")
  string(REPLACE "${kOpenBracket}" "[" text "${text}")
  string(REPLACE "${kCloseBracket}" "]" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(gzip_to source target)
  # -n leaves out the name and time stamp, so the same text gives the same bytes.
  execute_process(COMMAND ${GZIP} -9nc ${source} OUTPUT_FILE ${target} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${source}: ${status}")
  endif()
endfunction()

# --- CHANGELOG.md: "## VERSION (YYYY-MM-DD)" headings, each over "- " items whose
# further lines are indented.
file(READ ${CHANGELOG} text)
string(REPLACE ";" "${kSemicolon}" text "${text}")
string(REPLACE "[" "${kOpenBracket}" text "${text}")
string(REPLACE "]" "${kCloseBracket}" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
set(entries 0)
set(line_number 0)
set(in_item OFF)
foreach(line IN LISTS lines)
  math(EXPR line_number "${line_number} + 1")
  if(line MATCHES "^## ")
    if(NOT line MATCHES "^## ([0-9]+(\\.[0-9]+)*) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
      message(FATAL_ERROR "${CHANGELOG}:${line_number}: a version heading reads \"## 1.2.3 (YYYY-MM-DD)\"")
    endif()
    set(version ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_3})
    math(EXPR month "${CMAKE_MATCH_4}")  # without the leading zero
    math(EXPR day "${CMAKE_MATCH_5}")
    if(month LESS 1 OR month GREATER 12 OR day LESS 1 OR day GREATER 31)
      message(FATAL_ERROR "${CHANGELOG}:${line_number}: no such date")
    endif()
    if(entries GREATER 0)
      if(NOT previous_version VERSION_GREATER version)
        message(FATAL_ERROR "${CHANGELOG}:${line_number}: ${version} comes after ${previous_version}: newest first")
      endif()
      if(previous_date STRLESS "${year}-${CMAKE_MATCH_4}-${CMAKE_MATCH_5}")
        message(FATAL_ERROR "${CHANGELOG}:${line_number}: ${version} is dated after ${previous_version}")
      endif()
    endif()
    math(EXPR entries "${entries} + 1")
    set(entry_${entries}_version ${version})
    set(entry_${entries}_date "${year}-${CMAKE_MATCH_4}-${CMAKE_MATCH_5}")
    set(entry_${entries}_year ${year})
    set(entry_${entries}_month ${month})
    set(entry_${entries}_day ${day})
    set(entry_${entries}_day_text ${CMAKE_MATCH_5})
    set(entry_${entries}_items 0)
    set(previous_version ${version})
    set(previous_date "${year}-${CMAKE_MATCH_4}-${CMAKE_MATCH_5}")
    set(in_item OFF)
  elseif(entries EQUAL 0 OR line STREQUAL "")
    set(in_item OFF)
  elseif(line MATCHES "^- (.+)$")
    math(EXPR item "${entry_${entries}_items} + 1")
    set(entry_${entries}_items ${item})
    set(entry_${entries}_item_${item} "${CMAKE_MATCH_1}")
    set(in_item ON)
  elseif(in_item AND line MATCHES "^  +(.+)$")
    string(APPEND entry_${entries}_item_${item} " ${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "${CHANGELOG}:${line_number}: under a version heading, \"- \" starts an item and "
      "its further lines are indented")
  endif()
endforeach()
if(entries EQUAL 0)
  message(FATAL_ERROR "${CHANGELOG}: no version heading (\"## 1.2.3 (YYYY-MM-DD)\")")
endif()
foreach(e RANGE 1 ${entries})
  if(entry_${e}_items EQUAL 0)
    message(FATAL_ERROR "${CHANGELOG}: ${entry_${e}_version} lists no change")
  endif()
endforeach()
if(NOT entry_1_version STREQUAL VERSION)
  message(FATAL_ERROR "${CHANGELOG}: the newest entry is ${entry_1_version}, but the project's version "
    "(project() in CMakeLists.txt) is ${VERSION}: add an entry \"## ${VERSION} (YYYY-MM-DD)\" at the top")
endif()

# --- The Debian changelog, as dpkg-parsechangelog reads it.
set(weekdays Sun Mon Tue Wed Thu Fri Sat)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
set(debian "")
foreach(e RANGE 1 ${entries})
  string(APPEND debian "${PACKAGE} (${entry_${e}_version}) unstable; urgency=medium\n\n")
  foreach(i RANGE 1 ${entry_${e}_items})
    # Wrapped within 80 columns: "  * " and then four spaces before each line.
    string(REGEX REPLACE " +" ";" words "${entry_${e}_item_${i}}")
    set(line "  *")
    foreach(word IN LISTS words)
      restore_text(word "${word}")
      string(LENGTH "${line} ${word}" length)
      if(length GREATER 79 AND NOT line MATCHES "^ +\\*?$")
        string(APPEND debian "${line}\n")
        set(line "   ")
      endif()
      string(APPEND line " ${word}")
    endforeach()
    string(APPEND debian "${line}\n")
  endforeach()
  # The day of the week (Sakamoto's method), which dpkg checks against the date.
  set(y ${entry_${e}_year})
  set(m ${entry_${e}_month})
  if(m LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR m_index "${m} - 1")
  list(GET month_offsets ${m_index} offset)
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${entry_${e}_day}) % 7")
  list(GET weekdays ${weekday} weekday_name)
  list(GET months ${m_index} month_name)
  string(APPEND debian "\n -- ${MAINTAINER}  ${weekday_name}, ${entry_${e}_day_text} ${month_name} "
    "${entry_${e}_year} 00:00:00 +0000\n")
  if(e LESS entries)
    string(APPEND debian "\n")
  endif()
endforeach()
file(MAKE_DIRECTORY ${DOC_DIR})
file(WRITE ${DOC_DIR}/changelog "${debian}")
gzip_to(${DOC_DIR}/changelog ${DOC_DIR}/changelog.gz)

# --- The AppStream releases, into the metainfo template.
function(xml_text out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
set(releases "")
foreach(e RANGE 1 ${entries})
  string(APPEND releases "    <release version=\"${entry_${e}_version}\" date=\"${entry_${e}_date}\">\n"
    "      <description>\n        <ul>\n")
  foreach(i RANGE 1 ${entry_${e}_items})
    restore_text(item "${entry_${e}_item_${i}}")
    xml_text(item "${item}")
    string(APPEND releases "          <li>${item}</li>\n")
  endforeach()
  string(APPEND releases "        </ul>\n      </description>\n    </release>\n")
endforeach()
set(VIEWER_APP_ID ${APP_ID})
set(VIEWER_HOMEPAGE ${HOMEPAGE})
set(VIEWER_RELEASES "${releases}")
configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)

# --- The Debian copyright file (machine-readable format 1.0) around LICENSE's text.
file(READ ${LICENSE_FILE} license)
if(NOT license MATCHES "Copyright \\(c\\) ([^\n]+)\n+(Permission[^\n]*\n.*)$")
  message(FATAL_ERROR "${LICENSE_FILE}: no \"Copyright (c) ...\" line before the permission notice")
endif()
set(holder "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" terms)
string(REGEX REPLACE "\n\n+" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${DOC_DIR}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: ${PACKAGE}\n"
  "Upstream-Contact: ${MAINTAINER}\n"
  "Source: ${HOMEPAGE}\n"
  "\n"
  "Files: *\n"
  "Copyright: ${holder}\n"
  "License: Expat\n"
  "Comment: The build draws the textures in ${DATA_DIR}/Textures\n"
  " with tools/texgen, and the icons from packaging/${PACKAGE}.xpm with\n"
  " tools/icongen. Being made from these files, they are under the same licence.\n"
  "\n"
  "License: Expat\n"
  " ${terms}\n")

# --- The manual pages: every MAN_SOURCE_DIR/**/NAME.in to MAN_OUT_DIR/**/NAME.gz.
set(RELEASE_DATE ${entry_1_date})
# A plain "-" may be set as a hyphen (not the ASCII one a shell needs) and broken
# at a line's end.
foreach(path BIN_DIR DATA_DIR DATAROOT_DIR)
  string(REPLACE "-" "\\-" ${path} "${${path}}")
endforeach()
file(GLOB_RECURSE pages RELATIVE ${MAN_SOURCE_DIR} ${MAN_SOURCE_DIR}/*.in)
foreach(page IN LISTS pages)
  string(REGEX REPLACE "\\.in$" "" name ${page})
  configure_file(${MAN_SOURCE_DIR}/${page} ${MAN_OUT_DIR}/${name} @ONLY)
  gzip_to(${MAN_OUT_DIR}/${name} ${MAN_OUT_DIR}/${name}.gz)
endforeach()
