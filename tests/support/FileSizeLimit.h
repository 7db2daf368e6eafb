#pragma once

#include <csignal>
#include <sys/resource.h>

namespace korvel::test {

// A full disk for this process while in scope: every write to a regular file beyond `bytes` fails (EFBIG),
// the database's files included, while reading goes on. Devices and pipes are not limited. The signal the
// kernel sends with a refused write is ignored meanwhile, so that the write itself reports the failure.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
};

} // namespace korvel::test
