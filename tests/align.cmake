# Alignment of a script with its recording: the text side and the placement
# on made-up envelopes; the whole path, through the module the program loads,
# on speech the test makes (once per build tree) with bench/align's lesson
# makers. The command line's own test is app/CommandLineTest.cpp.
qm_add_test(test_align_text SOURCES align/AlignTextTest.cpp LIBS qm_align)
qm_add_test(test_align_speech SOURCES align/AlignSpeechTest.cpp LIBS qm_alignloader qm_files qm_text)
target_compile_definitions(test_align_speech PRIVATE
  QM5_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  QM5_TEST_WORK_DIR="${CMAKE_CURRENT_BINARY_DIR}/align-lessons")
