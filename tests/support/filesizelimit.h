#pragma once

#include <csignal>
#include <sys/resource.h>

// For as long as it lives, writes of this process past `bytes` into any file fail part-way, as on
// a full disk; unlike folder permissions this holds for root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        const bool known = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        const rlimit limit{bytes, m_old.rlim_max};
        m_active = known && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
    bool m_active = false;
};
