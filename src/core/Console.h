#pragma once

#include <iostream>
#include <streambuf>

/// Sends what the simulation reports on std::cout elsewhere for as long as it lives. Without a
/// buffer (nullptr) every write fails at once, before formatting anything.
class DetourConsole {
public:
    explicit DetourConsole(std::streambuf* vers) : ancien_(std::cout.rdbuf(vers)) {}
    ~DetourConsole() { std::cout.rdbuf(ancien_); }
    DetourConsole(const DetourConsole&) = delete;
    DetourConsole& operator=(const DetourConsole&) = delete;

private:
    std::streambuf* ancien_;
};
