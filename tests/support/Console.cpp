#include "Console.h"

#include <iostream>

Console::Console() : ancien_(std::cout.rdbuf(tampon_.rdbuf())) {}

Console::~Console() { std::cout.rdbuf(ancien_); }
