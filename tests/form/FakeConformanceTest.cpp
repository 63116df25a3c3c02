#include "ConformanceCases.h"
#include "FakeDriver.h"

INSTANTIATE_TEST_SUITE_P(Fake, RuntimeConformance, ::testing::Values(RuntimeUnderTest{"fake", makeFakeDriver}),
                         [](const auto &info) { return info.param.name; });
