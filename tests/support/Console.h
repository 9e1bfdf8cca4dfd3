#pragma once

#include <sstream>
#include <string>

/// Captures what the simulation writes to std::cout for as long as it lives.
class Console {
public:
    Console();
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    std::string texte() const { return tampon_.str(); }
    void vider() { tampon_.str(""); }

private:
    std::ostringstream tampon_;
    std::streambuf* ancien_;
};
