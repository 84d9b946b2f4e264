# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the panel as a desktop program (freedesktop.org layout under the prefix). The
# Debian package (debian/, built by scripts/package) takes these files from its own install.
include(GNUInstallDirs)

# Directories made by the install are 0755 whatever the umask of the one who installs:
# under umask 002 they would otherwise come out group-writable.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(QUILL_APP_ID org.quill_tool.QuillTool)
# udev reads rules from <prefix>/lib/udev/rules.d for /usr; relative paths are under the prefix.
set(QUILL_UDEV_RULES_DIR "lib/udev/rules.d" CACHE PATH "Where the udev rule is installed")

install(TARGETS quill-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tqr-emulator)
    install(TARGETS tqr-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/tqr-emulator.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quill-tool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(TARGETS quill-ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quill-ctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quill-ctl.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quill-ctl)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${QUILL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${QUILL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/packaging/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/70-quill-tool.rules DESTINATION ${QUILL_UDEV_RULES_DIR})
