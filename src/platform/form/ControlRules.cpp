#include "ControlRules.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace form::rules {

namespace {
bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Where a step starts: a whole number typed into the buddy, clamped into the range; any other
// text, or one too large for any number, leaves the value.
int stepStart(const std::string &buddyText, int value, int min, int max)
{
    std::size_t begin = 0;
    std::size_t end = buddyText.size();
    while (begin < end && isBlank(buddyText[begin]))
        ++begin;
    while (end > begin && isBlank(buddyText[end - 1]))
        --end;
    const std::string text = buddyText.substr(begin, end - begin);
    if (text.empty())
        return value;
    std::size_t digits = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (digits == text.size())
        return value;
    for (std::size_t i = digits; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return value;
    errno = 0;
    const long long typed = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return value;
    return static_cast<int>(std::clamp<long long>(typed, min, max));
}

} // namespace

void UpDownState::setRange(int min, int max)
{
    m_min = min;
    m_max = std::max(min, max);
    setValue(m_value);
}

void UpDownState::setIncrement(int increment)
{
    m_increment = std::max(1, increment);
}

void UpDownState::setValue(int value)
{
    m_value = std::clamp(value, m_min, m_max);
}

int UpDownState::step(int direction, const std::string *buddyText)
{
    const int start = buddyText ? stepStart(*buddyText, m_value, m_min, m_max) : m_value;
    // 64-bit so that a step near the ends of the int type cannot overflow.
    const std::int64_t next = std::int64_t(start) + std::int64_t(direction) * m_increment;
    setValue(static_cast<int>(std::clamp<std::int64_t>(next, m_min, m_max)));
    return m_value;
}

std::size_t characterCount(const std::string &text)
{
    std::size_t count = 0;
    for (unsigned char c : text)
        count += isContinuation(c) ? 0 : 1;
    return count;
}

std::string firstCharacters(const std::string &text, std::size_t count)
{
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[i]))) {
            if (seen == count)
                return text.substr(0, i);
            ++seen;
        }
    }
    return text;
}

} // namespace form::rules
