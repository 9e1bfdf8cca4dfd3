#include "Lot.h"
#include "Options.h"

#include <optional>

int main(int argc, char** argv) {
    OptionsLot options;
    if (const std::optional<int> statut = lireOptions(argc, argv, options)) return *statut;
    return executerLot(options);
}
