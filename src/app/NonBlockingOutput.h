#pragma once
// Text written to a file descriptor without ever waiting for its reader: Write queues and
// returns; the event loop sends the rest when the reader takes it. Flush before the end.

#include <QSocketNotifier>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

class CNonBlockingOutput {
public:
    static constexpr std::size_t DEFAULT_QUEUE_LIMIT = std::size_t{1} << 20;

    // The whole line (end included) that tells how many lines were lost.
    using DropNotice = std::function<std::string(long droppedLines)>;

    // Switches `fd` to non-blocking writes; the destructor gives back its flags.
    CNonBlockingOutput(int fd, DropNotice dropNotice, std::size_t queueLimit = DEFAULT_QUEUE_LIMIT);
    ~CNonBlockingOutput();
    CNonBlockingOutput(const CNonBlockingOutput&) = delete;
    CNonBlockingOutput& operator=(const CNonBlockingOutput&) = delete;

    // One whole line, or nothing when the queue is full: from then on lines are lost until
    // the queue has drained, and then the drop notice tells how many.
    void WriteLine(const std::string& line);
    // Waits at most `timeoutMs` in all for the reader to take what is queued.
    void Flush(int timeoutMs);

    [[nodiscard]] std::size_t QueuedBytes() const { return m_queue.size() - m_sent; }

private:
    void Send();
    void WatchWritable(bool on);

    int m_fd;
    int m_savedFlags = -1;  // -1: the flags were left as they were
    std::size_t m_limit;
    std::string m_queue;
    std::size_t m_sent = 0;  // bytes of m_queue the reader has taken
    long m_dropped = 0;
    bool m_broken = false;  // the reader went away: nothing more is kept
    DropNotice m_dropNotice;
    std::unique_ptr<QSocketNotifier> m_writable;
};
