qm_add_test(test_blockfile
  SOURCES blockfile/TextCodecTest.cpp blockfile/BlockFileTest.cpp blockfile/WholeFileTest.cpp
  LIBS qm_blockfile qm_files qm_text)

# The reader under libFuzzer with the address and undefined-behaviour sanitizers,
# built by clang apart from the main build.
add_test(NAME fuzz_blockfile
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzz.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz 60)
set_tests_properties(fuzz_blockfile PROPERTIES TIMEOUT 200 LABELS fuzz)
