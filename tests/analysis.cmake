# Loudness analysis and pauses: the pause finder on made-up envelopes, decoding
# of the generated media and its edge cases, the worker with its cache, and
# the accuracy on generated lessons with known pauses.
qm_add_test(test_analysis_pauses SOURCES analysis/PausesTest.cpp LIBS qm_loudness)
qm_add_test(test_analysis_decode
  SOURCES analysis/LoudnessAnalysisTest.cpp analysis/AnalysisTestSupport.h
  LIBS qm_loudness
  PROPERTIES FIXTURES_REQUIRED testmedia)
qm_add_test(test_analysis_worker QT
  SOURCES analysis/MediaAnalyzerTest.cpp
  LIBS qm_analysis qm_loudness Qt6::Network Qt6::Test
  PROPERTIES FIXTURES_REQUIRED testmedia)

# A lesson of 30 sentences with known pauses, made once per build tree; the
# same generator makes bigger sets for scripts/pause-accuracy.sh.
add_test(NAME make_pause_lessons
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-pause-lessons.sh ${CMAKE_BINARY_DIR}/pauselessons 30 1)
set_tests_properties(make_pause_lessons PROPERTIES FIXTURES_SETUP pauselessons TIMEOUT 300)
qm_add_test(test_analysis_accuracy
  SOURCES analysis/PauseAccuracyTest.cpp analysis/AnalysisTestSupport.h
  LIBS qm_loudness qm_blockfile qm_files
  PROPERTIES FIXTURES_REQUIRED pauselessons)
