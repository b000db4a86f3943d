// Permission cases as an ordinary user meets them. Root may write anything,
// and the suite runs as root in CI, so such a case runs in a child process
// that first takes the ids of an ordinary user: nobody (65534) when the test
// runs as root, the test's own user otherwise.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

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
    for (const auto& entry : std::filesystem::directory_iterator(path)) Give(entry.path());
}

// Runs action in a child process under the ordinary user's ids and returns
// the text that the action returned there, or what went wrong in the child.
inline std::string Run(const std::function<std::string()>& action)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return "(no pipe to the child)";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        std::string result = "(the child kept root's ids)";
        if (geteuid() != 0 || (setgroups(0, nullptr) == 0 && setresgid(kNoGroup, kNoGroup, kNoGroup) == 0 &&
                               setresuid(kNobody, kNobody, kNobody) == 0)) {
            try {
                result = action();
            } catch (const std::exception& e) {
                result = std::string("(exception in the child: ") + e.what() + ")";
            }
        }
        // A blocking write takes the whole text. No exit handlers: they belong to the test process.
        _exit(write(pipeFds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    close(pipeFds[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "(the child failed with status " + std::to_string(status) + ")";
    return result;
}

}  // namespace ordinary_user
