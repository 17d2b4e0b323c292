#include "NonBlockingOutput.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

CNonBlockingOutput::CNonBlockingOutput(int fd, DropNotice dropNotice, std::size_t queueLimit)
    : m_fd(fd), m_limit(queueLimit), m_dropNotice(std::move(dropNotice)) {
    // Only flags changed here are given back: a second writer on the same terminal finds
    // them already set and must not clear them under the first.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
        m_savedFlags = flags;
    }
}

CNonBlockingOutput::~CNonBlockingOutput() {
    m_writable.reset();
    // The terminal or pipe is shared with the shell, which expects blocking writes again.
    if (m_savedFlags >= 0) ::fcntl(m_fd, F_SETFL, m_savedFlags);
}

void CNonBlockingOutput::WriteLine(const std::string& line) {
    if (m_broken) return;
    // Once lines are lost, the gap stays one gap: nothing joins the queue until it drains.
    if (m_dropped > 0 || QueuedBytes() + line.size() > m_limit) {
        ++m_dropped;
        return;
    }
    m_queue += line;
    Send();
}

void CNonBlockingOutput::Send() {
    while (!m_broken) {
        while (!m_broken && m_sent < m_queue.size()) {
            const ssize_t n = ::write(m_fd, m_queue.data() + m_sent, m_queue.size() - m_sent);
            if (n > 0) {
                m_sent += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                m_queue.erase(0, m_sent);
                m_sent = 0;
                WatchWritable(true);
                return;
            } else {
                // The reader is gone for good (EPIPE) or there never was one.
                m_broken = true;
            }
        }
        m_queue.clear();
        m_sent = 0;
        if (m_broken || m_dropped == 0) break;
        m_queue = m_dropNotice ? m_dropNotice(m_dropped) : std::string();
        m_dropped = 0;
    }
    m_queue.clear();
    m_sent = 0;
    WatchWritable(false);
}

void CNonBlockingOutput::WatchWritable(bool on) {
    if (!on) {
        if (m_writable) m_writable->setEnabled(false);
        return;
    }
    if (!m_writable) {
        m_writable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
        QObject::connect(m_writable.get(), &QSocketNotifier::activated, [this] { Send(); });
    }
    m_writable->setEnabled(true);
}

void CNonBlockingOutput::Flush(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_broken && QueuedBytes() > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd watch{m_fd, POLLOUT, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0) Send();
    }
}
