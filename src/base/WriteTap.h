#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace base::files {

// Shows the bytes a copy writes to an observer (a digest) on a thread of its own, so that the
// copy does not wait for it: the copy fills one buffer while the observer reads those handed
// before, in a ring that evens out the two sides' pace. With no thread to be had, the observer
// runs on the caller's.
class WriteTap
{
public:
    using Sink = std::function<void(const char *data, std::size_t size)>;

    // A copy that fits in one buffer gains nothing from a thread: expectedBytes up to bufferBytes
    // runs the observer on the caller's thread.
    WriteTap(Sink sink, std::size_t bufferBytes, std::uint64_t expectedBytes);
    ~WriteTap();
    WriteTap(const WriteTap &) = delete;
    WriteTap &operator=(const WriteTap &) = delete;

    // The buffer to fill next; it is the observer's no longer.
    char *buffer();
    std::size_t bufferBytes() const { return m_bufferBytes; }
    // The first size bytes of buffer() go to the observer; the next buffer() is the next one.
    void hand(std::size_t size);
    // Returns once the observer has seen everything handed.
    void drain();

private:
    void run();

    Sink m_sink;
    std::size_t m_bufferBytes;
    static constexpr int Buffers = 4;
    std::unique_ptr<char[]> m_buffers[Buffers];
    std::size_t m_sizes[Buffers] = {};
    bool m_pending[Buffers] = {}; // handed, not yet seen
    int m_fill = 0;
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};

} // namespace base::files
