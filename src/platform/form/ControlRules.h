#pragma once

#include <algorithm>
#include <string>

// The rules of the controls that a window system does not give as the pages expect
// them, for the runtimes that keep the state themselves.
namespace form::rules {

// A progress bar's value within min..max; an empty or inverted range has only min.
inline int progressValue(int value, int min, int max)
{
    return max <= min ? min : std::clamp(value, min, max);
}

// An up-down's state where the runtime keeps it: a range in which max below min makes min the
// only value, an increment of at least 1, a value within the range, and steps that start from a
// whole number typed into the buddy.
class UpDownState
{
public:
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setRange(int min, int max);
    int increment() const { return m_increment; }
    void setIncrement(int increment);
    int value() const { return m_value; }
    // Clamped into the range.
    void setValue(int value);
    // One step (direction +1 or -1) within the range, from the buddy's text clamped into the
    // range when it is a whole number, else from the value (buddyText nullptr: no buddy). The
    // new value.
    int step(int direction, const std::string *buddyText);

private:
    int m_min = 0;
    int m_max = 100;
    int m_increment = 1;
    int m_value = 0;
};

// The number of characters (code points) of a UTF-8 text.
std::size_t characterCount(const std::string &text);
// The first count characters of a UTF-8 text.
std::string firstCharacters(const std::string &text, std::size_t count);

} // namespace form::rules
