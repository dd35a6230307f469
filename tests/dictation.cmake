qm_add_test(test_dictation
  SOURCES dictation/AnswerCheckTest.cpp dictation/DictationLogTest.cpp dictation/ReviewScheduleTest.cpp
  LIBS qm_dictation)

# The answers file reader and the check under libFuzzer, 10 s.
add_test(NAME fuzz_dictation
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzz.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz 10 dictation)
set_tests_properties(fuzz_dictation PROPERTIES TIMEOUT 300 LABELS fuzz)
