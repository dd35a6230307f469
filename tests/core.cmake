qm_add_test(test_blocklist SOURCES core/BlockListTest.cpp core/LessonTest.cpp LIBS qm_core)
qm_add_test(test_repeat SOURCES core/RepeatControllerTest.cpp LIBS qm_core)
qm_add_test(test_pathparts SOURCES core/PathPartsTest.cpp LIBS qm_core)
