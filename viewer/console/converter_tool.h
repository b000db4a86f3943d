// tilebridge-convert, the console converter beside tilebridge: its command
// line and its two commands, convert and render, over the viewer's core.
#pragma once

#include <string>
#include <vector>

inline constexpr int kSucceeded = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsageError = 2;

// Runs the converter on its arguments, the program's name left out, paths in
// UTF-8. Writes to the standard streams and returns the exit status.
int RunConverter(const std::vector<std::string>& args);
