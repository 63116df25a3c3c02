#include "WriteTap.h"

#include <system_error>

namespace base::files {

WriteTap::WriteTap(Sink sink, std::size_t bufferBytes, std::uint64_t expectedBytes)
    : m_sink(std::move(sink)), m_bufferBytes(bufferBytes)
{
    // Filled before they are read: no need to clear them first.
    for (std::unique_ptr<char[]> &buffer : m_buffers)
        buffer = std::make_unique_for_overwrite<char[]>(bufferBytes);
    if (expectedBytes <= bufferBytes)
        return;
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        // hand() then runs the observer itself.
    }
}

WriteTap::~WriteTap()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

char *WriteTap::buffer()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_pending[m_fill]; });
    return m_buffers[m_fill].get();
}

void WriteTap::hand(std::size_t size)
{
    if (!m_thread.joinable()) {
        m_sink(m_buffers[m_fill].get(), size);
        m_fill = (m_fill + 1) % Buffers;
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_sizes[m_fill] = size;
        m_pending[m_fill] = true;
        m_fill = (m_fill + 1) % Buffers;
    }
    m_changed.notify_all();
}

void WriteTap::drain()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] {
        for (const bool pending : m_pending) {
            if (pending)
                return false;
        }
        return true;
    });
}

void WriteTap::run()
{
    // Buffers are seen in the order they were handed: round the ring, starting with the first.
    int next = 0;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_pending[next] || m_stop; });
        if (!m_pending[next])
            return;
        const std::size_t size = m_sizes[next];
        lock.unlock();
        m_sink(m_buffers[next].get(), size);
        lock.lock();
        m_pending[next] = false;
        next = (next + 1) % Buffers;
        m_changed.notify_all();
    }
}

} // namespace base::files
