#include "Main.h"

int main(int argc, char** argv) { return lancerAquarium(argc, argv); }
