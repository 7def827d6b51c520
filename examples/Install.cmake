# The example Sovereigns, installed with their README for a Sovereign's developer to start from
# (share/doc/pcquiba/examples). Scripts are installed as documents, run with their interpreter.
set(PCQUIBA_EXAMPLES_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pcquiba/examples)
install(FILES examples/README.md DESTINATION ${PCQUIBA_EXAMPLES_DOC_DIR})
install(FILES examples/python/sovereign.py DESTINATION ${PCQUIBA_EXAMPLES_DOC_DIR}/python)
install(FILES examples/node/sovereign.js examples/node/package.json examples/node/package-lock.json
        DESTINATION ${PCQUIBA_EXAMPLES_DOC_DIR}/node)
install(FILES examples/cpp/CMakeLists.txt examples/cpp/main.cpp examples/cpp/PcquibaSession.cpp examples/cpp/PcquibaSession.h
              examples/cpp/SaleEvents.cpp examples/cpp/SaleEvents.h
        DESTINATION ${PCQUIBA_EXAMPLES_DOC_DIR}/cpp)
