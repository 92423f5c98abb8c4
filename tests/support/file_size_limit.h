#pragma once
// Limits the size of any file this process writes, so that a write fails midway whoever runs it
// (root included).

#include <signal.h>
#include <sys/resource.h>

namespace qm318::test_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        savedSignal_ = ::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, savedSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    sighandler_t savedSignal_;
};

}  // namespace qm318::test_support
