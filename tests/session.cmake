# The practice session on its own: QtCore, QtNetwork, QtTest and the engine,
# no QtWidgets (the linker proves it: nothing here provides them).
add_executable(test_session session/SessionTest.cpp session/UnsavedWorkTest.cpp session/FileKindsTest.cpp
  session/LessonHistoryTest.cpp session/BlockFilesTest.cpp session/OpeningTest.cpp
  session/BlockCommandsTest.cpp session/NotesTest.cpp session/RepeatLoopTest.cpp session/ReleaseTest.cpp
  session/HistoryTest.cpp session/PlacesTest.cpp session/ScriptAlignmentTest.cpp session/ReviewTest.cpp
  support/CoreTestMain.cpp)
target_link_libraries(test_session PRIVATE qm_session qm_media Qt6::Test Qt6::Network GTest::gtest)
target_compile_definitions(test_session PRIVATE QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  QM5_ALIGN_LESSONS="${CMAKE_CURRENT_BINARY_DIR}/align-lessons")
gtest_discover_tests(test_session DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)

# The media keys over a private session bus, and once with no bus at all.
add_executable(test_mpris session/MprisTest.cpp support/CoreTestMain.cpp)
target_link_libraries(test_mpris PRIVATE qm_mpris Qt6::Test GTest::gtest)
add_test(NAME mpris_on_a_session_bus COMMAND dbus-run-session -- $<TARGET_FILE:test_mpris> --gtest_filter=Mpris.*)
add_test(NAME mpris_without_a_bus
  COMMAND ${CMAKE_COMMAND} -E env --unset=DBUS_SESSION_BUS_ADDRESS $<TARGET_FILE:test_mpris> --gtest_filter=MprisWithoutBus.*)
set_tests_properties(mpris_on_a_session_bus PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE TIMEOUT 120)
