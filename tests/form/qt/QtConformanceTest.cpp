#include "ConformanceCases.h"
#include "QtDriver.h"

INSTANTIATE_TEST_SUITE_P(Qt, RuntimeConformance, ::testing::Values(RuntimeUnderTest{"qt", makeQtDriver}),
                         [](const auto &info) { return info.param.name; });
