# The practice session on its own: QtCore, QtNetwork, QtTest and the engine,
# no QtWidgets (the linker proves it: nothing here provides them).
add_executable(test_session session/SessionTest.cpp support/CoreTestMain.cpp)
target_link_libraries(test_session PRIVATE qm_session Qt6::Test Qt6::Network GTest::gtest)
gtest_discover_tests(test_session DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)
