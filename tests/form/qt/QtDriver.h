#pragma once

#include <memory>

#include "Driver.h"

// Drives the Qt runtime as the author would: key events into the widgets, mouse clicks
// on the up-down's arrows and on buttons, message boxes answered by pressing their buttons.
std::unique_ptr<form::testing::Driver> makeQtDriver();
