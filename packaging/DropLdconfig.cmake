# Run by CPack once it has built the packages (CPACK_POST_BUILD_SCRIPTS). CPack's DEB generator
# gives a package postinst and postrm scripts that call ldconfig whenever it holds a library in
# a folder directly under /usr/lib, so also for the private /usr/lib/pcquiba/libpcquiba_core.so,
# which the dynamic linker never searches (the programs find it by their RPATH). Such a package
# is built again without those two scripts; nothing else in it changes.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(NOT deb MATCHES "\\.deb$")
        continue()
    endif()
    set(tree "${deb}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    set(dropped FALSE)
    foreach(script postinst postrm)
        set(path "${tree}/DEBIAN/${script}")
        if(EXISTS "${path}")
            file(READ "${path}" text)
            # Only CPack's own script, which does nothing but call ldconfig.
            string(REGEX REPLACE "#![^\n]*|set -e|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then|ldconfig|fi|[ \t\n]" "" rest "${text}")
            if(text MATCHES "ldconfig" AND rest STREQUAL "")
                file(REMOVE "${path}")
                set(dropped TRUE)
            endif()
        endif()
    endforeach()
    if(dropped)
        execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}"
                        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    endif()
    file(REMOVE_RECURSE "${tree}")
endforeach()
