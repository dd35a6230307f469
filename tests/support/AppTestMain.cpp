// gtest entry for tests of the windows: one application object for the run.
#include "ui/Application.h"

#include "tests/support/ThreadsAtExit.h"

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    qm::test::awaitOtherThreadsAtExit();
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QM5_AO", "null");
    qm::TApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
