#include "ChunkPacer.h"

#include <algorithm>

namespace base::files {

ChunkPacer::ChunkPacer(std::chrono::milliseconds target, std::uint64_t maxBytes)
    : m_target(std::max<Clock::duration>(target, std::chrono::milliseconds(1))),
      m_max(maxBytes == 0 ? kMaxChunk : std::max(maxBytes, kMinChunk)), m_next(std::min(kFirstChunk, m_max))
{
}

void ChunkPacer::record(std::uint64_t bytes, Clock::duration took)
{
    if (bytes == 0)
        return;
    std::uint64_t ideal = 4 * m_next;
    if (took.count() > 0) {
        const long double rate = static_cast<long double>(bytes) / took.count();
        ideal = static_cast<std::uint64_t>(std::min<long double>(rate * m_target.count(), kMaxChunk));
    }
    ideal = std::min(ideal, 4 * m_next);
    ideal -= ideal % kMinChunk;
    m_next = std::clamp(ideal, kMinChunk, m_max);
}

} // namespace base::files
