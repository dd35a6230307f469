qm_add_test(test_transcript
  SOURCES transcript/TranscriptReadersTest.cpp transcript/CuesToBlocksTest.cpp
          transcript/TranscriptRoundTripTest.cpp
  LIBS qm_transcript)

# Each reader under libFuzzer with the sanitizers, built by clang apart from
# the main build, 10 s each.
foreach(reader srt vtt lrc audacity plain)
  add_test(NAME fuzz_transcript_${reader}
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzz.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz 10 ${reader})
  set_tests_properties(fuzz_transcript_${reader} PROPERTIES TIMEOUT 300 LABELS fuzz)
endforeach()
