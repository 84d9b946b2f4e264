# Installs the panel as a desktop program (freedesktop.org layout under the prefix) and
# describes its Debian package: cpack -G DEB in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr -DQUILL_SELF_UPDATE=OFF (scripts/package does that).
include(GNUInstallDirs)

set(QUILL_APP_ID org.quill_tool.QuillTool)
# udev reads rules from <prefix>/lib/udev/rules.d for /usr; relative paths are under the prefix.
set(QUILL_UDEV_RULES_DIR "lib/udev/rules.d" CACHE PATH "Where the udev rule is installed")

install(TARGETS quill-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tqr-emulator)
    install(TARGETS tqr-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/tqr-emulator.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quill-tool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${QUILL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${QUILL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/70-quill-tool.rules DESTINATION ${QUILL_UDEV_RULES_DIR})

set(CPACK_PACKAGE_NAME quill-tool)
set(CPACK_PACKAGE_VENDOR "Quill Tool developers")
set(CPACK_PACKAGE_CONTACT "Quill Tool developers <support@quill-tool.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for TQR MIDI time-code units")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Shows and drives the time code of TQR-10, TQR-20, TQR-30 and TQR-30 Pro units over MIDI,\n"
    "configures their network side and writes new firmware over their serial port.\n"
    "Includes tqr-emulator, an emulated unit for trying the panel without hardware.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quill-tool.org")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts the form's Windows fonts are mapped to. The form is laid out for their metrics:
# without Roboto Condensed the large time-code readout is clipped and its digits overlap, and
# Liberation keeps the Arial labels and Consolas fields their widths. So they are
# dependencies (a --no-install-recommends system would otherwise lack them); DejaVu is only
# the last fallback. Shared-library dependencies are appended to this line.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-roboto-unhinted")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_GENERATOR DEB)
include(CPack)
