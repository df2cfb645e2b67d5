// A stand-in for `vedra watch` in the service tests: takes the working folder's
// watcher lock as the watcher does, writes down how it was started, and runs
// until SIGTERM, SIGINT or SIGHUP.
//   vedra_test_fake_watcher --workdir W watch
// VEDRA_FAKE_WATCHER_MODE=fail: says why on standard error and exits 1 at once;
// =stubborn: ignores SIGTERM. It never lives past a minute, whatever a test does.
#include "core/watch/WatchState.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::alarm(60);
    std::string workdir;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--workdir") == 0)
            workdir = argv[i + 1];
    if (workdir.empty() || std::strcmp(argv[argc - 1], "watch") != 0) {
        std::fprintf(stderr, "usage: vedra_test_fake_watcher --workdir W watch\n");
        return 2;
    }
    if (workdir.back() != '/')
        workdir += '/';

    // Looked at before this program opens anything of its own.
    const bool ownSession = ::getsid(0) == ::getpid();
    struct stat in {};
    struct stat null {};
    const bool nullInput = ::fstat(STDIN_FILENO, &in) == 0 && ::stat("/dev/null", &null) == 0 &&
                           S_ISCHR(in.st_mode) && in.st_rdev == null.st_rdev;
    bool inherited = false;
    for (int fd = STDERR_FILENO + 1; fd < 64; ++fd)
        inherited = inherited || ::fcntl(fd, F_GETFD) >= 0;
    {
        std::ofstream record(workdir + "fake-watcher.txt", std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            record << "arg=" << argv[i] << '\n';
        record << "own-session=" << (ownSession ? "yes" : "no") << '\n';
        record << "stdin-null=" << (nullInput ? "yes" : "no") << '\n';
        record << "inherited-descriptors=" << (inherited ? "yes" : "no") << '\n';
    }
    std::printf("fake watcher of %s\n", workdir.c_str());
    std::fflush(stdout);

    const char* mode = std::getenv("VEDRA_FAKE_WATCHER_MODE");
    const std::string how = mode != nullptr ? mode : "";
    if (how == "fail") {
        std::fprintf(stderr, "nothing to watch: no folder was indexed yet\n");
        return 1;
    }
    vedra::watch::WatcherLock lock;
    int holder = 0;
    if (!lock.take(workdir + std::string(vedra::watch::kWatchLockName), holder)) {
        std::fprintf(stderr, "another watcher runs (PID %d)\n", holder);
        return 1;
    }

    sigset_t ends;
    sigemptyset(&ends);
    sigaddset(&ends, SIGINT);
    sigaddset(&ends, SIGHUP);
    if (how == "stubborn")
        std::signal(SIGTERM, SIG_IGN);
    else
        sigaddset(&ends, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &ends, nullptr);
    int got = 0;
    ::sigwait(&ends, &got);
    return 0;
}
