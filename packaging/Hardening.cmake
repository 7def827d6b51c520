# Debian's hardening flags (what `DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags` gives on
# Debian 12), for every program and library the packages hold: stack protector, checked string
# and memory functions (fortify; it needs optimisation, so optimised builds only), format
# checks, read-only relocations bound at start (relro, bindnow). The fuzzers bring their own
# instrumentation instead. Test code is built without optimisation and undoes the fortify
# definition (tests/CMakeLists.txt).

option(PCQUIBA_HARDENING "Build with Debian's hardening flags" ON)
if(PCQUIBA_HARDENING AND NOT PCQUIBA_BUILD_FUZZERS)
    add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security -Wdate-time
        $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
