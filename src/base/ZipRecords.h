#pragma once

#include <cstdint>

// The zip format's record signatures and its Zip64 extra field's tag: one list for the writer of
// the wizard's archives and the reader of the one-file setup, so that the two agree.
namespace base::zip {

constexpr std::uint32_t LocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t CentralHeaderSignature = 0x02014b50;
constexpr std::uint32_t EndSignature = 0x06054b50;
constexpr std::uint32_t Zip64EndSignature = 0x06064b50;
constexpr std::uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr std::uint16_t Zip64ExtraTag = 0x0001;

} // namespace base::zip
