#pragma once

#include <memory>

#include "Driver.h"

// Drives the fake runtime: input goes straight to the controls' own calls.
std::unique_ptr<form::testing::Driver> makeFakeDriver();
