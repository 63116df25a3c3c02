#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

// The rules of the controls that a window system does not give as the pages expect
// them, for the runtimes that keep the state themselves.
namespace form::rules {

// A progress bar's value within min..max; an empty or inverted range has only min.
inline int progressValue(int value, int min, int max)
{
    return max <= min ? min : std::clamp(value, min, max);
}

// An up-down's range: max below min makes min the only value.
inline int upDownMax(int min, int max)
{
    return std::max(min, max);
}

// Where an up-down's step starts: a whole number typed into the buddy, clamped into
// the range; any other text leaves the last value.
int upDownStart(const std::string &buddyText, int value, int min, int max);

// The value after one step (direction +1 or -1) from start, within the range.
inline int upDownStep(int start, int direction, int increment, int min, int max)
{
    const std::int64_t next = std::int64_t(start) + std::int64_t(direction) * std::max(1, increment);
    return static_cast<int>(std::clamp<std::int64_t>(next, min, max));
}

// The number of characters (code points) of a UTF-8 text.
std::size_t characterCount(const std::string &text);
// The first count characters of a UTF-8 text.
std::string firstCharacters(const std::string &text, std::size_t count);

} // namespace form::rules
