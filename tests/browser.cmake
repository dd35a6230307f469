# The browser window on a headless web engine, against a server the test starts.
# One web engine per case: cases share it inside, and they run one at a time.
# Labelled webengine: the sanitizer tree leaves them out (see scripts/test.sh).
qm_add_test(test_browser APP SOURCES browser/BrowserTest.cpp LIBS Qt6::Network Qt6::WebEngineWidgets
  PROPERTIES FIXTURES_REQUIRED testmedia RUN_SERIAL TRUE TIMEOUT 120 LABELS webengine)
