qm_add_test(test_transcript
  SOURCES transcript/TranscriptReadersTest.cpp transcript/CuesToBlocksTest.cpp
          transcript/TranscriptRoundTripTest.cpp
  LIBS qm_transcript)
