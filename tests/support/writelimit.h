#pragma once

#include <sys/resource.h>

#include <csignal>

// Makes file writes beyond a size fail for the life of the object, also for root (which
// ignores read-only folders): writes past the limit fail with EFBIG instead of raising
// SIGXFSZ. Used to test what a failed write leaves on disk.
class TWriteLimit {
public:
    explicit TWriteLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TWriteLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    TWriteLimit(const TWriteLimit&) = delete;
    TWriteLimit& operator=(const TWriteLimit&) = delete;

private:
    rlimit m_saved {};
    void (*m_oldHandler)(int) = nullptr;
};
