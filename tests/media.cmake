# The engine adapter against stand-ins, and both playback controls on libmpv
# (null audio output) with the generated media. What plays in real time runs
# alone, so that a busy machine does not stretch its timings.
qm_add_test(test_media_engine SOURCES media/MediaEngineTest.cpp LIBS qm_media)
qm_add_test(test_media_playback QT
  SOURCES media/PlaybackTest.cpp media/MediaTestSupport.h
  LIBS qm_media qm_media qm_transport Qt6::Network Qt6::Test
  PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)
qm_add_test(test_media_badinput QT
  SOURCES media/BadInputTest.cpp media/MediaTestSupport.h
  LIBS qm_media qm_media qm_transport Qt6::Network Qt6::Test
  PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)
qm_add_test(test_metafile_text SOURCES media/MetafileTextTest.cpp LIBS qm_media qm_blockfile)

# The metafile reader under libFuzzer with the sanitizers, 10 s.
add_test(NAME fuzz_metafile
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzz.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz 10 metafile)
set_tests_properties(fuzz_metafile PROPERTIES TIMEOUT 300 LABELS fuzz)
