#pragma once

#include <chrono>
#include <cstdint>

namespace base::files {

// Sizes the chunks of a copy by time: after each chunk the measured throughput gives the size of the
// next one, so that one chunk takes about the target time whether the source is a fast disk or a
// slow stick. It starts small, grows at most fourfold per chunk and shrinks at once after a slow one.
class ChunkPacer
{
public:
    using Clock = std::chrono::steady_clock;

    ChunkPacer(std::chrono::milliseconds target, std::uint64_t maxBytes);

    std::uint64_t nextChunk() const { return m_next; }
    void record(std::uint64_t bytes, Clock::duration took);

    static constexpr std::uint64_t kFirstChunk = 64 << 10;
    static constexpr std::uint64_t kMinChunk = 4 << 10;
    static constexpr std::uint64_t kMaxChunk = 64 << 20;

private:
    Clock::duration m_target;
    std::uint64_t m_max;
    std::uint64_t m_next;
};

} // namespace base::files
