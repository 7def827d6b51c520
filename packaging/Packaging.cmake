# What a Debian package of pcQUIBA holds beyond the programs, and how CPack builds it
# (scripts/package.sh; docs/packaging.md). Two packages: pcquiba, and pcquiba-simulated with
# the simulated rules engine and host, so that a real kiosk never sells simulated PINs.

set(PCQUIBA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pcquiba)
set(PCQUIBA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# The installed README speaks of the installed program, not of the source tree.
install(FILES ${PCQUIBA_PACKAGING_DIR}/README.installed.md DESTINATION ${PCQUIBA_DOC_DIR} RENAME README.md)
install(DIRECTORY docs/ DESTINATION ${PCQUIBA_DOC_DIR} FILES_MATCHING PATTERN "*.md")

# Debian wants each package's copyright and changelog in its own doc folder, and manual pages
# and changelogs compressed without a time stamp.
configure_file(${PCQUIBA_PACKAGING_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
foreach(component IN ITEMS pcquiba simulated fleet)
    set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/pcquiba)
    if(NOT component STREQUAL "pcquiba")
        set(doc_dir ${doc_dir}-${component})
    endif()
    install(FILES ${PCQUIBA_PACKAGING_DIR}/copyright DESTINATION ${doc_dir} COMPONENT ${component})
    install(CODE "
        set(changelog \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${doc_dir}/changelog.gz\")
        message(STATUS \"Installing: \${changelog}\")
        execute_process(COMMAND gzip -9nc \"${CMAKE_BINARY_DIR}/packaging/changelog\" OUTPUT_FILE \"\${changelog}\"
                        COMMAND_ERROR_IS_FATAL ANY)
    " COMPONENT ${component})
endforeach()

install(CODE "
    foreach(page pcquiba pcquiba-assign pcquiba-voucher pcquiba-installer)
        set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
        file(MAKE_DIRECTORY \"\${folder}\")
        message(STATUS \"Installing: \${folder}/\${page}.1.gz\")
        execute_process(COMMAND gzip -9nc \"${PCQUIBA_PACKAGING_DIR}/man/\${page}.1\" OUTPUT_FILE \"\${folder}/\${page}.1.gz\"
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
")

# The systemd user unit that keeps the kiosk screen up names the program where it is installed.
install(CODE "
    set(PCQUIBA_KIOSK_EXEC \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pcquiba\")
    set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/pcquiba-kiosk.service\")
    message(STATUS \"Installing: \${unit}\")
    configure_file(\"${PCQUIBA_PACKAGING_DIR}/pcquiba-kiosk.service.in\" \"\${unit}\" @ONLY)
")

# A packaged install's sample keeps customers' data out of the logs and the journal (voucher
# text, device data, card values); a build tree's keeps every line for development.
install(CODE "
    set(ini \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/pcquiba/sample/config/pcQUIBA.ini\")
    file(READ \"\${ini}\" text)
    string(REPLACE \"[GENERAL]\\n\" \"[GENERAL]\\n; The logs and the journal keep no voucher text, device data or card values.\\nlog_private_data=False\\n\" text \"\${text}\")
    file(WRITE \"\${ini}\" \"\${text}\")
" COMPONENT pcquiba EXCLUDE_FROM_ALL)

# The fleet agent's package: its manual page and its systemd user unit.
install(CODE "
    set(page \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1/pcquiba-fleet.1.gz\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
    message(STATUS \"Installing: \${page}\")
    execute_process(COMMAND gzip -9nc \"${PCQUIBA_PACKAGING_DIR}/man/pcquiba-fleet.1\" OUTPUT_FILE \"\${page}\"
                    COMMAND_ERROR_IS_FATAL ANY)
    set(PCQUIBA_FLEET_EXEC \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/pcquiba-fleet\")
    set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/pcquiba-fleet.service\")
    message(STATUS \"Installing: \${unit}\")
    configure_file(\"${PCQUIBA_PACKAGING_DIR}/pcquiba-fleet.service.in\" \"\${unit}\" @ONLY)
" COMPONENT fleet)

# Only the package carries the mark of a packaged install (docs/packaging.md): a `cmake --install`
# leaves remote installs working.
install(FILES ${PCQUIBA_PACKAGING_DIR}/packaged DESTINATION ${CMAKE_INSTALL_DATADIR}/pcquiba
        COMPONENT pcquiba EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pcquiba)
set(CPACK_PACKAGE_VENDOR "pcQUIBA developers")
set(CPACK_PACKAGE_CONTACT "pcQUIBA developers <maintainers@pcquiba.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# Installed with DESTDIR, so that the service file and the unit name /usr/bin/pcquiba.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL pcquiba simulated fleet)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private core library is found where it is built; it is no dependency of its own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PCQUIBA_PACKAGE_NAME pcquiba)
set(CPACK_DEBIAN_SIMULATED_PACKAGE_NAME pcquiba-simulated)
set(CPACK_DEBIAN_FLEET_PACKAGE_NAME pcquiba-fleet)
set(CPACK_DEBIAN_PCQUIBA_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_SIMULATED_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_FLEET_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PCQUIBA_DESCRIPTION "kiosk server that sells electronic vouchers for a point-of-sale application
pcQUIBA serves a point-of-sale application over the D-Bus session bus:
it hosts a rules engine and a host connection, shows the customer
screen of a kiosk, turns voucher documents into print events and runs
remote management commands. The session bus starts it on the first
call; a systemd user unit keeps the kiosk screen up.")
set(CPACK_DEBIAN_SIMULATED_DESCRIPTION "simulated rules engine and host for pcQUIBA
A rules engine and host connection that sell from a sample catalogue
and make up their PINs, for trying pcQUIBA out and for tests. Never
install it on a kiosk that sells.")

# No ldconfig for the private library (packaging/DropLdconfig.cmake).
set(CPACK_POST_BUILD_SCRIPTS ${PCQUIBA_PACKAGING_DIR}/DropLdconfig.cmake)

set(CPACK_DEBIAN_FLEET_DESCRIPTION "fleet agent and operator's commands for pcQUIBA kiosks
pcquiba-fleet connects a pcQUIBA kiosk to its fleet's MQTT broker with
TLS: commands sent to one kiosk, a group or the whole fleet become
remote commands of the kiosk, and their results, the kiosk's status and
its presence go back. The same program gives the operator send, status,
watch and the broker's access file.")

include(CPack)
cpack_add_component(pcquiba DISPLAY_NAME "pcQUIBA")
cpack_add_component(simulated DISPLAY_NAME "pcQUIBA simulated engine and host" DEPENDS pcquiba)
# The agent runs on pcQUIBA's base library, which the package pcquiba carries.
cpack_add_component(fleet DISPLAY_NAME "pcQUIBA fleet agent" DEPENDS pcquiba)
