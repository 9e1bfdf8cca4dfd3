#pragma once

#include "Console.h"

#include <streambuf>

/// Swallows what the simulation writes to std::cout while it lives: it reports every birth
/// and split, and a terminal would make the figures its own.
class ConsoleMuette {
private:
    // Throws a whole buffer away at a time, rather than being called for every character.
    class Poubelle : public std::streambuf {
    protected:
        int_type overflow(int_type c) override {
            setp(tampon_, tampon_ + sizeof tampon_);
            return traits_type::not_eof(c);
        }

    private:
        char tampon_[1024] = {};
    };
    Poubelle poubelle_;
    DetourConsole detour_{&poubelle_};
};
