# Libraries a fuzz target needs beyond pcquiba_core, by target name; shared by the libFuzzer
# programs (fuzz/) and their seed-corpus tests (tests/).
set(PCQUIBA_FUZZ_LIBRARIES_CatalogueFuzzer quiba_simulated_core)
# The bus body fuzzer counts QtDBus's calls of this libdbus function with one of its own.
set(PCQUIBA_FUZZ_LIBRARIES_BusBodyFuzzer "-Wl,--export-dynamic-symbol=dbus_message_iter_append_basic")
