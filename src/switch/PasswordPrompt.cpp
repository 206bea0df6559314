// Passwords typed at a terminal are not echoed (termios).
#include "PasswordPrompt.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace mmlsw {

namespace {

// One line of standard input, without its line break; echo off meanwhile
// when it is a terminal.
bool ReadLine(bool terminal, std::string& line) {
    termios saved{};
    if (terminal) {
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const bool ok = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return ok;
}

}  // namespace

bool ReadNewPassword(const std::string& name, std::string& password, std::string& error) {
    const bool terminal = isatty(STDIN_FILENO);
    if (terminal) std::fprintf(stderr, "New password for %s: ", name.c_str());
    if (!ReadLine(terminal, password)) return error = "no password on standard input", false;
    if (!terminal) return true;
    std::string again;
    std::fprintf(stderr, "The same again: ");
    if (!ReadLine(terminal, again) || again != password) {
        password.assign(password.size(), '\0');
        return error = "the two passwords differ", false;
    }
    return true;
}

}  // namespace mmlsw
