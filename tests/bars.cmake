qm_add_test(test_bars SOURCES bars/PositionBarsTest.cpp LIBS qm_bars QT)
