// A private X display for driving the real program as a person would:
// Xvfb for the screen, xdotool for keys and the mouse, ImageMagick's
// import for screenshots. Every wait polls with a deadline, so a test never
// depends on fixed sleeps and never hangs.
#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> Capture(const std::string& command);
std::string Quote(const std::string& text);

// Polls until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

class XSession {
public:
    // A display of its own, which ends with the session.
    XSession();
    // A display that runs already, such as a Wine session's; it is left running.
    explicit XSession(std::string display) : display_(std::move(display)) {}
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return !display_.empty(); }
    const std::string& display() const { return display_; }

    // Runs a command with DISPLAY set to this session.
    std::optional<std::string> X(const std::string& command) const;

    // Visible windows whose name matches the regular expression exactly.
    std::vector<std::string> FindWindows(const std::string& name) const;
    std::optional<std::string> WaitForWindow(const std::string& name, std::chrono::milliseconds timeout) const;
    // The window's area on the screen.
    std::optional<QRect> Geometry(const std::string& window) const;

    QImage Screenshot() const;
    // Waits until two screenshots of the area, taken a moment apart, agree.
    std::optional<QImage> SettledArea(const QRect& area, std::chrono::milliseconds timeout) const;

    void Focus(const std::string& window) const;
    void Type(const std::string& text) const;
    void Keys(const std::string& keys) const;
    void Click(int x, int y) const;
    // The close request that a window manager's close box sends.
    void RequestClose(const std::string& window) const;

private:
    QProcess xvfb_;
    std::string display_;
};

// The program under test, a command with its arguments (such as a Windows
// program under Wine), started on the session's display with the extra
// environment variables in place of inherited ones of the same name.
class Program {
public:
    Program(const XSession& session, const std::vector<std::string>& command,
            const std::vector<std::string>& environment);
    ~Program();

    qint64 pid() const { return process_.processId(); }
    // The exit status once the program has ended within the time, else nothing.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

private:
    QProcess process_;
};

} // namespace e2e
