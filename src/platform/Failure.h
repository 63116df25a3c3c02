#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace platform {

// A failure raised by the platform layer where a caller traps failures and shows
// them with a code (the wizard's error report). The codes are listed on the
// error-code help page that ships with the program.
class Failure : public std::exception
{
public:
    Failure(std::int32_t code, std::string description) : m_code(code), m_description(std::move(description)) {}

    std::int32_t code() const { return m_code; }
    const std::string &description() const { return m_description; }
    const char *what() const noexcept override { return m_description.c_str(); }

private:
    std::int32_t m_code;
    std::string m_description;
};

// The failure codes the platform layer reports, with the classic numbers.
namespace failure {
constexpr std::int32_t OutOfMemory = 7;
constexpr std::int32_t InternalError = 51;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t DeviceUnavailable = 68;
constexpr std::int32_t PermissionDenied = 70;
constexpr std::int32_t PathFileAccessError = 75;
constexpr std::int32_t PathNotFound = 76;
} // namespace failure

} // namespace platform
