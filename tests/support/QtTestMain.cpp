// gtest entry for tests that need Qt widgets: one QApplication for the run.
#include <QApplication>

#include "tests/support/ThreadsAtExit.h"

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    qm::test::awaitOtherThreadsAtExit();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
