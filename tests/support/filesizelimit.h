#pragma once

#include <csignal>
#include <sys/resource.h>

// For as long as it lives, writes of this process past `bytes` into any file fail part-way, as on
// a full disk; unlike folder permissions this holds for root too.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        const rlimit limit{bytes, getrlimit(RLIMIT_FSIZE, &m_old) == 0 ? m_old.rlim_max : 0};
        m_active = limit.rlim_max != 0 && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

    rlimit m_old{};
    void (*m_oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    bool m_active = false;
};
