#include "Provenance.h"

#include "OptionsMonde.h"

Provenance provenance(const char* programme, const OptionsMonde& options) {
    return {programme, AQUARIUM_VERSION, std::string(programme) + " " + ligneDeCommande(options),
            options.graine, reglagesEnJson(options)};
}
