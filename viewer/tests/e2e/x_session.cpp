#include "x_session.h"

#include <QProcess>

#include <X11/Xlib.h>

#include <regex>
#include <sstream>
#include <thread>

namespace e2e {

std::optional<std::string> Capture(const std::string& command)
{
    QProcess shell;
    shell.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    shell.start("sh", {"-c", QString::fromStdString(command)});
    shell.waitForFinished(-1);
    if (shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0) return std::nullopt;
    return shell.readAllStandardOutput().toStdString();
}

std::string Quote(const std::string& text) { return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'"; }

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); std::this_thread::sleep_for(50ms))
        if (std::chrono::steady_clock::now() >= deadline) return false;
    return true;
}

std::vector<std::string> FindWindows(const std::string& name)
{
    // xdotool matches names without regard to case, and the main window's
    // title differs from the message boxes' only in the case of one letter.
    std::vector<std::string> windows;
    std::istringstream lines(X("xdotool search --onlyvisible --name " + Quote("^" + name + "$")).value_or(""));
    for (std::string line; std::getline(lines, line);)
        if (X("xdotool getwindowname " + line) == name + "\n") windows.push_back(line);
    return windows;
}

std::optional<std::string> WaitForWindow(const std::string& name, std::chrono::milliseconds timeout)
{
    std::vector<std::string> windows;
    WaitUntil([&] { return !(windows = FindWindows(name)).empty(); }, timeout);
    return windows.empty() ? std::nullopt : std::optional(windows.back());
}

std::optional<QRect> Geometry(const std::string& window)
{
    static const std::regex fields(R"(X=(-?\d+)\nY=(-?\d+)\nWIDTH=(\d+)\nHEIGHT=(\d+))");
    const std::string info = X("xdotool getwindowgeometry --shell " + window).value_or("");
    std::smatch field;
    if (!std::regex_search(info, field, fields)) return std::nullopt;
    return QRect(std::stoi(field[1]), std::stoi(field[2]), std::stoi(field[3]), std::stoi(field[4]));
}

QImage Screenshot(const QRect& area)
{
    const std::string png = X("import -window root png:-").value_or("");
    return QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG")
        .convertToFormat(QImage::Format_RGB32)
        .copy(area);
}

void RequestClose(const std::string& window)
{
    Display* connection = XOpenDisplay(nullptr);
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

}  // namespace e2e
