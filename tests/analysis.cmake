# Loudness analysis and pauses: the pause finder on made-up envelopes, decoding
# of the generated media and its edge cases, the worker with its cache.
qm_add_test(test_analysis_pauses SOURCES analysis/PausesTest.cpp LIBS qm_analysis)
qm_add_test(test_analysis_decode
  SOURCES analysis/LoudnessAnalysisTest.cpp analysis/AnalysisTestSupport.h
  LIBS qm_analysis
  PROPERTIES FIXTURES_REQUIRED testmedia)
qm_add_test(test_analysis_worker QT
  SOURCES analysis/MediaAnalyzerTest.cpp
  LIBS qm_analysis_qt Qt6::Network
  PROPERTIES FIXTURES_REQUIRED testmedia)
target_include_directories(test_analysis_worker PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/media)

