# What `cmake --install` puts under the prefix (DESTDIR honoured, as CMake does):
#   bin/tolvane-list
#   share/man/man1/tolvane-list.1             written by help2man from --help and --version
#   share/bash-completion/completions/tolvane-list
# The man page is made when tolvane-list is built, so it always says what the program says.
include(GNUInstallDirs)

find_program(TOLVANE_HELP2MAN help2man)
if(NOT TOLVANE_HELP2MAN)
  message(FATAL_ERROR "help2man is needed to write tolvane-list's man page "
    "(scripts/install-deps --cli installs it)")
endif()
set(TOLVANE_MAN_PAGE ${CMAKE_BINARY_DIR}/tolvane-list.1)
set(TOLVANE_MAN_INCLUDE ${CMAKE_SOURCE_DIR}/packaging/tolvane-list.h2m)
add_custom_command(
  OUTPUT ${TOLVANE_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${TOLVANE_HELP2MAN} --no-info
    --section=1 "--source=Tolvane ${TOLVANE_VERSION_WORD}"
    "--name=list the device drivers of a Windows SYSTEM registry hive"
    --include=${TOLVANE_MAN_INCLUDE} --output=${TOLVANE_MAN_PAGE} $<TARGET_FILE:tolvane-list>
  DEPENDS tolvane-list ${TOLVANE_MAN_INCLUDE}
  COMMENT "Writing the man page tolvane-list.1"
  VERBATIM)
add_custom_target(tolvane-list-man ALL DEPENDS ${TOLVANE_MAN_PAGE})

install(TARGETS tolvane-list RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TOLVANE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tolvane-list.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tolvane-list)
