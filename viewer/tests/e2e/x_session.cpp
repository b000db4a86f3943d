#include "x_session.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sstream>
#include <string_view>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

std::optional<std::string> Capture(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
    const int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return output;
}

std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(50ms);
    }
}

namespace {

// The inherited environment with the extra variables in place of any of the
// same name: a program reads the first of two, which would be the inherited one.
pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnvironment)
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view inherited = *entry;
        const std::string_view name = inherited.substr(0, inherited.find('=') + 1);
        const bool replaced = std::any_of(extraEnvironment.begin(), extraEnvironment.end(),
                                          [&](const std::string& extra) { return extra.starts_with(name); });
        if (!replaced) environment.emplace_back(inherited);
    }
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

} // namespace

XSession::XSession()
{
    int fds[2];
    if (pipe(fds) != 0) return;
    const pid_t pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp", "-noreset"},
                            {});
    close(fds[1]);
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    while (pid > 0 && poll(&ready, 1, 15000) == 1) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        return;
    }
    xvfb_ = pid;
    display_ = ":" + number;
}

XSession::XSession(std::string display) : display_(std::move(display)) {}

XSession::~XSession()
{
    if (xvfb_ <= 0) return;
    kill(xvfb_, SIGTERM);
    waitpid(xvfb_, nullptr, 0);
}

std::optional<std::string> XSession::X(const std::string& command) const
{
    return Capture("DISPLAY=" + display_ + " timeout 20 " + command + " 2>/dev/null");
}

std::vector<std::string> XSession::FindWindows(const std::string& name) const
{
    std::vector<std::string> windows;
    const auto found = X("xdotool search --onlyvisible --name " + Quote("^" + name + "$"));
    if (!found) return windows;
    // xdotool matches names without regard to case, and the main window's
    // title differs from the message boxes' only in the case of one letter.
    const std::regex exact(name);
    std::istringstream lines(*found);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        std::string title = X("xdotool getwindowname " + line).value_or("");
        if (!title.empty() && title.back() == '\n') title.pop_back();
        if (std::regex_match(title, exact)) windows.push_back(line);
    }
    return windows;
}

std::optional<std::string> XSession::WaitForWindow(const std::string& name, std::chrono::milliseconds timeout) const
{
    std::optional<std::string> window;
    WaitUntil(
        [&] {
            const std::vector<std::string> windows = FindWindows(name);
            if (!windows.empty()) window = windows.back();
            return window.has_value();
        },
        timeout);
    return window;
}

std::optional<WindowGeometry> XSession::Geometry(const std::string& window) const
{
    const auto info = X("xwininfo -id " + window);
    if (!info) return std::nullopt;
    WindowGeometry geometry;
    int found = 0;
    std::istringstream lines(*info);
    for (std::string line; std::getline(lines, line);) {
        auto read = [&](const char* label, int& field) {
            const auto at = line.find(label);
            if (at == std::string::npos) return;
            field = std::atoi(line.c_str() + at + std::strlen(label));
            ++found;
        };
        read("Absolute upper-left X:", geometry.x);
        read("Absolute upper-left Y:", geometry.y);
        read("Width:", geometry.width);
        read("Height:", geometry.height);
    }
    if (found != 4) return std::nullopt;
    return geometry;
}

QImage XSession::Screenshot() const
{
    char path[] = "/tmp/tilebridge-e2e-XXXXXX.png";
    const int fd = mkstemps(path, 4);
    if (fd < 0) return {};
    close(fd);
    QImage shot;
    if (X(std::string("import -window root png:") + path)) shot.load(path);
    unlink(path);
    return shot.convertToFormat(QImage::Format_RGB32);
}

std::optional<QImage> XSession::SettledArea(const QRect& area, std::chrono::milliseconds timeout) const
{
    std::optional<QImage> settled;
    QImage previous = Screenshot().copy(area);
    WaitUntil(
        [&] {
            std::this_thread::sleep_for(150ms);
            QImage current = Screenshot().copy(area);
            if (!current.isNull() && current == previous) settled = current;
            previous = std::move(current);
            return settled.has_value();
        },
        timeout);
    return settled;
}

void XSession::Focus(const std::string& window) const { X("xdotool windowfocus --sync " + window); }

void XSession::Type(const std::string& text) const { X("xdotool type --delay 30 -- " + Quote(text)); }

void XSession::Keys(const std::string& keys) const { X("xdotool key --delay 60 " + keys); }

void XSession::Click(int x, int y) const
{
    X("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void XSession::RequestClose(const std::string& window) const
{
    Display* connection = XOpenDisplay(display_.c_str());
    if (!connection) return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(connection, event.xclient.window, False, NoEventMask, &event);
    XFlush(connection);
    XCloseDisplay(connection);
}

Program::Program(const XSession& session, const std::string& binary, const std::vector<std::string>& environment)
    : Program(session, std::vector<std::string>{binary}, environment)
{
}

Program::Program(const XSession& session, const std::vector<std::string>& command,
                 const std::vector<std::string>& environment)
{
    std::vector<std::string> full = environment;
    full.push_back("DISPLAY=" + session.display());
    full.push_back("QT_QPA_PLATFORM=xcb");
    pid_ = Spawn(command, full);
}

Program::~Program()
{
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> Program::WaitForExit(std::chrono::milliseconds timeout)
{
    if (status_ || pid_ <= 0) return status_;
    WaitUntil(
        [&] {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        timeout);
    return status_;
}

} // namespace e2e
