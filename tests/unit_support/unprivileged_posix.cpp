// unprivileged_posix.cpp -- a forked child that drops to nobody and reports
// back through a pipe.
#include "unit_support/unprivileged_posix.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::string AsUnprivilegedUser(const std::function<std::string()>& run) {
    if (geteuid() != 0) return run();
    int fds[2];
    if (pipe(fds) != 0) return std::string("cannot make a pipe: ") + std::strerror(errno);
    const pid_t child = fork();
    if (child < 0) return std::string("cannot fork: ") + std::strerror(errno);
    if (child == 0) {
        close(fds[0]);
        constexpr gid_t kNobody = 65534;
        std::string said;
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            said = std::string("cannot become nobody: ") + std::strerror(errno);
        else
            said = run();
        (void)!write(fds[1], said.data(), said.size());
        _exit(0);
    }
    close(fds[1]);
    std::string said;
    char chunk[512];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;) said.append(chunk, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the unprivileged child died: " + said;
    return said;
}
