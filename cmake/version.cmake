# The version, read from common/version.h (the one place it is stated), for the packages:
#   TOLVANE_VERSION_TEXT  "1.07 beta", as the About box shows it
#   TOLVANE_VERSION_WORD  "1.07-beta", as --version prints it
#   TOLVANE_DEB_VERSION   "1.07~beta", Debian's form: "~" sorts a beta before the release
#   TOLVANE_MAKER         "Tolvane <support@tolvane.example.org>", of the copyright line
# It also checks that the file properties' number fields and LICENSE's copyright line say what
# the header says, so that neither can be left behind by the next release.
# `cmake -P cmake/version.cmake` prints the last three, one a line, for scripts/package.
get_filename_component(tolvane_source ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(TOLVANE_VERSION_HEADER ${tolvane_source}/common/version.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${TOLVANE_VERSION_HEADER} ${tolvane_source}/LICENSE)
file(READ ${TOLVANE_VERSION_HEADER} tolvane_header)

function(tolvane_version_macro name pattern out)
  if(NOT tolvane_header MATCHES "#define ${name} ${pattern}\n")
    message(FATAL_ERROR "common/version.h: no '#define ${name} ${pattern}'")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
tolvane_version_macro(TOLVANE_VERSION_NUMBER "\"([0-9]+\\.[0-9]+)\"" number)
tolvane_version_macro(TOLVANE_VERSION_STAGE "\"([a-z0-9]+)\"" stage)
tolvane_version_macro(TOLVANE_VERSION_FIELDS "([0-9, ]+)" fields)
tolvane_version_macro(TOLVANE_COPYRIGHT "\"([^\"]+)\"" TOLVANE_COPYRIGHT)

string(REGEX REPLACE "^0*([0-9]+)\\.0*([0-9]+)$" "\\1, \\2, 0, 0" number_fields "${number}")
if(NOT fields STREQUAL number_fields)
  message(FATAL_ERROR "common/version.h: TOLVANE_VERSION_FIELDS is '${fields}', but "
    "TOLVANE_VERSION_NUMBER ${number} needs '${number_fields}'")
endif()
file(READ ${tolvane_source}/LICENSE tolvane_license)
string(FIND "${tolvane_license}" "${TOLVANE_COPYRIGHT}\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "LICENSE lacks the copyright line of common/version.h: ${TOLVANE_COPYRIGHT}")
endif()

set(TOLVANE_VERSION_TEXT "${number} ${stage}")
set(TOLVANE_VERSION_WORD "${number}-${stage}")
set(TOLVANE_DEB_VERSION "${number}~${stage}")
string(REGEX REPLACE "^Copyright \\(c\\) [0-9, -]+ " "" TOLVANE_MAKER "${TOLVANE_COPYRIGHT}")

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo
    "${TOLVANE_VERSION_WORD}\n${TOLVANE_DEB_VERSION}\n${TOLVANE_MAKER}")
endif()
