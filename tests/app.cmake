qm_add_test(test_mainwindow APP SOURCES app/MainWindowTest.cpp)
qm_add_test(test_info APP SOURCES app/InfoTest.cpp)
qm_add_test(test_memo APP SOURCES app/MemoTest.cpp)
qm_add_test(test_blockdata APP SOURCES app/BlockDataTest.cpp)
qm_add_test(test_programend APP SOURCES app/ProgramEndTest.cpp)
qm_add_test(test_open APP SOURCES app/OpenTest.cpp PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)
qm_add_test(test_practiceloop APP SOURCES app/PracticeLoopTest.cpp PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)
target_compile_definitions(test_open PRIVATE QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
qm_add_test(test_commandline SOURCES app/CommandLineTest.cpp LIBS qm_program qm_blockfile)
target_compile_definitions(test_commandline PRIVATE QM5_VERSION="${PROJECT_VERSION}" QM5_PROGRAM="$<TARGET_FILE:qm5>"
  QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(test_commandline qm5)
qm_add_test(test_pausewindow APP SOURCES app/PauseWindowTest.cpp PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE)

# The settings file reader and writer under libFuzzer with the sanitizers, 10 s.
add_test(NAME fuzz_settings
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzz.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/fuzz 10 settings)
set_tests_properties(fuzz_settings PROPERTIES TIMEOUT 300 LABELS fuzz)

# Every text a window shows has its English translation (lupdate finds none
# unfinished or left over).
add_test(NAME translations_complete
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/app/translations-complete.sh $<TARGET_FILE:Qt6::lupdate> ${PROJECT_SOURCE_DIR})
