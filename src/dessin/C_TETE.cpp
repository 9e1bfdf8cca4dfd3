#include "C_TETE.h"

C_TETE::C_TETE() = default;

C_TETE::~C_TETE() = default;
