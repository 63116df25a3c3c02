#pragma once

#include <exception>

#include <QString>

namespace platform {

// A failure raised by the platform layer where a caller traps failures and shows
// them with a code (the wizard's error report). The codes are listed on the
// error-code help page that ships with the program.
class Failure : public std::exception
{
public:
    Failure(qint32 code, QString description) : m_code(code), m_description(std::move(description)) {}

    qint32 code() const { return m_code; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return "platform failure"; }

private:
    qint32 m_code;
    QString m_description;
};

// The failure codes the platform layer reports, with the classic numbers.
namespace failure {
constexpr qint32 OutOfMemory = 7;
constexpr qint32 InternalError = 51;
constexpr qint32 FileNotFound = 53;
constexpr qint32 DeviceUnavailable = 68;
constexpr qint32 PermissionDenied = 70;
constexpr qint32 PathFileAccessError = 75;
constexpr qint32 PathNotFound = 76;
} // namespace failure

} // namespace platform
