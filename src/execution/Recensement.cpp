#include "Recensement.h"

#include "C_AQUARIUM.h"
#include "C_SPEEDBRICK.h"
#include "Fils.h"

#include <vector>

namespace {

void compterGenre(Recensement& r, T_Genre genre) {
    switch (genre) {
    case GENRE_NORMAL:
        r.normal++;
        return;
    case GENRE_GENTIL:
        r.gentil++;
        return;
    case GENRE_AGA:
        r.aga++;
        return;
    }
}

void compterSexe(Recensement& r, T_Sexe sexe) {
    switch (sexe) {
    case MALE:
        r.male++;
        return;
    case FEMELLE:
        r.femelle++;
        return;
    case INDETERMINE:
        r.indetermine++;
        return;
    }
}

// Speedbricks counted by one task: the counts wait on memory for every speedbrick, so each
// thread takes blocks of them.
constexpr std::size_t kSpeedbricksParBloc = 4096;

void compter(Recensement& r, const std::vector<C_SPEEDBRICK*>& speedbricks, std::size_t debut,
             std::size_t fin) {
    for (std::size_t i = debut; i < fin; ++i) {
        compterGenre(r, speedbricks[i]->getGenre());
        compterSexe(r, speedbricks[i]->getSexe());
        r.anneaux += speedbricks[i]->getNombreAnneaux();
    }
}

} // namespace

Recensement recenser(const C_AQUARIUM& monde) {
    const std::vector<C_SPEEDBRICK*>& speedbricks = monde.speedbricks();
    std::vector<Recensement> blocs((speedbricks.size() + kSpeedbricksParBloc - 1) /
                                   kSpeedbricksParBloc);
    executerParBlocs(speedbricks.size(), kSpeedbricksParBloc,
                     [&](std::size_t debut, std::size_t fin) {
                         compter(blocs[debut / kSpeedbricksParBloc], speedbricks, debut, fin);
                     });
    Recensement r;
    r.speedbricks = static_cast<int>(speedbricks.size());
    for (const Recensement& bloc : blocs) {
        r.normal += bloc.normal;
        r.gentil += bloc.gentil;
        r.aga += bloc.aga;
        r.male += bloc.male;
        r.femelle += bloc.femelle;
        r.indetermine += bloc.indetermine;
        r.anneaux += bloc.anneaux;
    }
    r.cutits = static_cast<int>(monde.cutits().size());
    r.naissances = monde.getNombreNaissances();
    r.scissions = monde.getNombreScissions();
    r.morts = monde.getNombreMorts();
    return r;
}

const std::vector<ColonneStats>& colonnesStats() {
    using R = const Recensement&;
    static const std::vector<ColonneStats> colonnes = {
        {"tick", "the world's clock", [](int tick, R, R) -> std::int64_t { return tick; }},
        {"speedbricks", "speedbricks alive",
         [](int, R apres, R) -> std::int64_t { return apres.speedbricks; }},
        {"normal", "of them, normal ones",
         [](int, R apres, R) -> std::int64_t { return apres.normal; }},
        {"gentil", "gentil ones", [](int, R apres, R) -> std::int64_t { return apres.gentil; }},
        {"aga", "aga ones", [](int, R apres, R) -> std::int64_t { return apres.aga; }},
        {"male", "males", [](int, R apres, R) -> std::int64_t { return apres.male; }},
        {"female", "females", [](int, R apres, R) -> std::int64_t { return apres.femelle; }},
        {"undecided", "of no sex yet",
         [](int, R apres, R) -> std::int64_t { return apres.indetermine; }},
        {"rings", "rings of all speedbricks", [](int, R apres, R) { return apres.anneaux; }},
        {"cutits", "cutits alive", [](int, R apres, R) -> std::int64_t { return apres.cutits; }},
        {"births", "births in the tick",
         [](int, R apres, R avant) { return apres.naissances - avant.naissances; }, true},
        {"splits", "splits in the tick",
         [](int, R apres, R avant) { return apres.scissions - avant.scissions; }, true},
        {"deaths", "deaths in the tick",
         [](int, R apres, R avant) { return apres.morts - avant.morts; }, true},
    };
    return colonnes;
}
