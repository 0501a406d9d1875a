#pragma once
// Makes writes beyond a size fail with EFBIG while alive, as on a full disk (tests run as root,
// so permissions cannot make a write fail).

#include <sys/resource.h>

#include <csignal>

namespace sptest {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limitBytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = limitBytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace sptest
