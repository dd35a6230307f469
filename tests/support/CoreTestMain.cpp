// gtest entry for tests that link no widgets: one QCoreApplication for the run.
#include "tests/support/ChildScenarios.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    qputenv("QM5_AO", "null");
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // libmpv refuses to start otherwise
    if (const int status = qmtest::runChildScenario(argc, argv); status >= 0) return status;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
