# Install step (runs at install time, with the final prefix): links to the
# programs in bin/, the desktop entries and the user service, whose paths
# depend on the prefix. DAWNBELL_PACKAGING_DIR and DAWNBELL_BIN_PROGRAMS (the
# programs linked into bin/) are set by the calling code.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(folder "${CMAKE_INSTALL_PREFIX}/lib/dawnbell")

file(MAKE_DIRECTORY "${root}/bin")
foreach(program ${DAWNBELL_BIN_PROGRAMS})
  message(STATUS "Installing: ${root}/bin/${program}")
  file(REMOVE "${root}/bin/${program}")
  file(CREATE_LINK "../lib/dawnbell/${program}" "${root}/bin/${program}" SYMBOLIC)
endforeach()

foreach(entry Dawnbell.desktop dawnbell-today.desktop)
  message(STATUS "Installing: ${root}/share/applications/${entry}")
  configure_file("${DAWNBELL_PACKAGING_DIR}/${entry}.in" "${root}/share/applications/${entry}" @ONLY)
endforeach()

message(STATUS "Installing: ${root}/lib/systemd/user/dawnbell-notifyd.service")
configure_file("${DAWNBELL_PACKAGING_DIR}/dawnbell-notifyd.service.in"
  "${root}/lib/systemd/user/dawnbell-notifyd.service" @ONLY)
