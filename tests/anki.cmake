# The Anki package of a generated lesson, read back as Anki reads it: the zip,
# the collection's tables and JSON, the media list and each clip's length.
pkg_check_modules(ANKI_READ REQUIRED IMPORTED_TARGET
  libavformat libavcodec libswresample libavutil sqlite3 libzip)
qm_add_test(test_anki
  SOURCES anki/AnkiExportTest.cpp
  LIBS qm_anki PkgConfig::ANKI_READ Qt6::Core)
