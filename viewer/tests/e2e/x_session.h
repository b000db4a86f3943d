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

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> Capture(const std::string& command);
std::string Quote(const std::string& text);

// Polls until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The display of this process and of every program it starts.
class XSession {
public:
    // A display of its own, which ends with the session.
    XSession();
    // A display that runs already, such as a Wine session's; it is left running.
    explicit XSession(const std::string& display);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return !display_.empty(); }
    // Runs a command on the display, with a deadline.
    std::optional<std::string> X(const std::string& command) const
    {
        return Capture("timeout 20 " + command + " 2>/dev/null");
    }

    // Visible windows whose name matches the regular expression exactly.
    std::vector<std::string> FindWindows(const std::string& name) const;
    std::optional<std::string> WaitForWindow(const std::string& name, std::chrono::milliseconds timeout) const;
    // The window's area on the screen.
    std::optional<QRect> Geometry(const std::string& window) const;
    // Waits until two screenshots of the area, taken a moment apart, agree.
    std::optional<QImage> SettledArea(const QRect& area, std::chrono::milliseconds timeout) const;

    void Focus(const std::string& window) const { X("xdotool windowfocus --sync " + window); }
    void Type(const std::string& text) const { X("xdotool type --delay 30 -- " + Quote(text)); }
    void Keys(const std::string& keys) const { X("xdotool key --delay 60 " + keys); }
    // XTest handles the move before the click; --sync would wait for a move where the pointer is already.
    void Click(QPoint point) const
    {
        X("xdotool mousemove " + std::to_string(point.x()) + " " + std::to_string(point.y()) + " click 1");
    }
    // The close request that a window manager's close box sends.
    void RequestClose(const std::string& window) const;

private:
    QProcess xvfb_;
    std::string display_;
};

}  // namespace e2e
