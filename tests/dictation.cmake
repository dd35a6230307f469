qm_add_test(test_dictation
  SOURCES dictation/AnswerCheckTest.cpp dictation/DictationLogTest.cpp
  LIBS qm_dictation)
