# The engine adapter against stand-ins, and both playback controls on libmpv
# (null audio output) with the generated media.
qm_add_test(test_media_engine SOURCES media/MediaEngineTest.cpp LIBS qm_media)
qm_add_test(test_media_playback QT
  SOURCES media/PlaybackTest.cpp media/MediaTestSupport.h
  LIBS qm_media Qt6::Network
  PROPERTIES FIXTURES_REQUIRED testmedia)
qm_add_test(test_media_badinput QT
  SOURCES media/BadInputTest.cpp media/MediaTestSupport.h
  LIBS qm_media Qt6::Network
  PROPERTIES FIXTURES_REQUIRED testmedia)
qm_add_test(test_metafile_text SOURCES media/MetafileTextTest.cpp LIBS qm_media)
