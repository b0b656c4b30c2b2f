# Installation and the Debian package. The trainer and its companion
# libraries share one private folder, so the libraries are found beside the
# program; the languages are read-only data under share/lorvano; the command
# `lorvano` on the PATH starts the trainer.
file(RELATIVE_PATH LORVANO_BIN_TO_PROGRAM
  /root/${CMAKE_INSTALL_BINDIR} /root/${LORVANO_INSTALL_PROGRAM_DIR})
configure_file(${CMAKE_SOURCE_DIR}/packaging/lorvano.in ${CMAKE_BINARY_DIR}/packaging/lorvano @ONLY)

install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/lorvano DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS trainer RUNTIME DESTINATION ${LORVANO_INSTALL_PROGRAM_DIR})
foreach(library IN ITEMS Prefs Guide Roster)
  if(TARGET ${library})
    install(TARGETS ${library} LIBRARY DESTINATION ${LORVANO_INSTALL_PROGRAM_DIR})
  endif()
endforeach()
foreach(tool IN ITEMS lorvano-analyze lorvano-defcat lorvano-roster)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/man/${tool}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/man/lorvano.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(DIRECTORY ${LORVANO_DATA_DIR}/ DESTINATION ${LORVANO_INSTALL_DATA_DIR}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
  PATTERN "README.md" EXCLUDE)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.lorvano.Lorvano.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.lorvano.Lorvano.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.lorvano.Lorvano.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME lorvano)
set(CPACK_PACKAGE_VENDOR "Lorvano")
set(CPACK_PACKAGE_CONTACT "Lorvano developers <lorvano@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pronunciation practice with pictures that follow the voice")
set(CPACK_PACKAGE_DESCRIPTION
  "A full-screen speech trainer for children working with a speech therapist:\n exercises chosen from picture cards listen to the microphone and show loudness,\n pitch, sustained sounds against their models, and marks for spoken words\n compared with the teacher's recordings. Includes an English course.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries' dependencies cannot show: the fonts the data names, the
# browser launcher the guide uses and, with the acoustic judge, its model
# (pocketsphinx itself is found by dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, xdg-utils")
if(LORVANO_POCKETSPHINX)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", pocketsphinx-en-us")
endif()
set(CPACK_STRIP_FILES ON)
include(CPack)
