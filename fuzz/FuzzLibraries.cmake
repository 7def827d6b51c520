# Libraries a fuzz target needs beyond pcquiba_core, by target name; shared by the libFuzzer
# programs (fuzz/) and their seed-corpus tests (tests/).
set(PCQUIBA_FUZZ_LIBRARIES_CatalogueFuzzer quiba_simulated_core)
