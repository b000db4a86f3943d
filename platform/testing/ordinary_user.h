// Permission cases as an ordinary user meets them. Root may write anything,
// and the suite runs as root in CI, so such a case runs in a child process
// that first takes the ids of an ordinary user: nobody (65534) when the test
// runs as root, the test's own user otherwise.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

namespace ordinary_user {

inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNoGroup = 65534;

inline uid_t Uid() { return geteuid() == 0 ? kNobody : geteuid(); }
inline gid_t Gid() { return geteuid() == 0 ? kNoGroup : getegid(); }

// Gives a file, or a folder with everything in it, to the ordinary user.
inline void Give(const std::filesystem::path& path)
{
    if (lchown(path.c_str(), Uid(), Gid()) != 0) throw std::filesystem::filesystem_error("lchown", path, {});
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(path))) return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
        if (lchown(entry.path().c_str(), Uid(), Gid()) != 0) {
            throw std::filesystem::filesystem_error("lchown", entry.path(), {});
        }
    }
}

// Runs action in a child process under the ordinary user's ids and returns
// the text that the action returned there, or what went wrong in the child.
inline std::string Run(const std::function<std::string()>& action)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return "(no pipe to the child)";
    const pid_t child = fork();
    if (child < 0) return "(no child process)";
    if (child == 0) {
        close(pipeFds[0]);
        std::string result;
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(kNoGroup, kNoGroup, kNoGroup) != 0 ||
             setresuid(kNobody, kNobody, kNobody) != 0)) {
            result = "(the child kept root's ids)";
        } else {
            try {
                result = action();
            } catch (const std::exception& e) {
                result = std::string("(exception in the child: ") + e.what() + ")";
            }
        }
        for (size_t sent = 0; sent < result.size();) {
            const ssize_t n = write(pipeFds[1], result.data() + sent, result.size() - sent);
            if (n <= 0) _exit(1);
            sent += static_cast<size_t>(n);
        }
        // No exit handlers: they belong to the test process.
        _exit(0);
    }
    close(pipeFds[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        result.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "(the child failed with status " + std::to_string(status) + ")";
    return result;
}

}  // namespace ordinary_user
