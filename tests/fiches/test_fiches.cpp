// Every format of the records, written from a crowded world and read back through its own
// reader: every field of every row of every table, and the page's picture made from what was
// read, against the world's.
#include "DossierTest.h"
#include "EcritureHdf5.h"
#include "Image.h"
#include "JsonLignes.h"
#include "Monde.h"
#include "OptionsMonde.h"
#include "Tick.h"
#include "Traces.h"

#include <fstream>
#include <functional>

namespace {

using namespace fiches;

void comparer(const Releve& lu, const Releve& attendu, const std::string& ou) {
    EXPECT_EQ(lu.tick, attendu.tick) << ou;
    EXPECT_EQ(lu.compteurOrganisme, attendu.compteurOrganisme) << ou;
    for (std::size_t t = 0; t < 3; ++t) {
        const Rangees& a = *lu.toutes()[t];
        const Rangees& b = *attendu.toutes()[t];
        const std::string table = ou + ", " + b.table->nom;
        ASSERT_EQ(a.nombre, b.nombre) << table;
        EXPECT_EQ(a.genes, b.genes) << table;
        for (std::size_t i = 0; i < a.nombre; ++i) {
            EXPECT_EQ(std::memcmp(a.rangee(i), b.rangee(i), sizeof(TickRangee)), 0) << table;
            for (const Colonne& c : b.table->colonnes) {
                ASSERT_EQ(std::memcmp(a.rangee(i) + c.decalage, b.rangee(i) + c.decalage,
                                      tailleDe(c.sorte)),
                          0)
                    << table << ", row " << i << ", " << c.nom;
            }
        }
    }
}

struct Format {
    const char* nom;
    /// Writes the world's tick, then the next one while `avancer` goes on.
    std::function<void(const std::string& fichier, const std::function<bool()>& avancer)> ecrire;
};

class Fiches : public DossierTest {
protected:
    void TearDown() override { detruireMonde(); }
    Console console;
};

TEST_F(Fiches, ChaqueFormatRelitChaqueChampDeChaqueRangee) {
    const Format formats[] = {
        {"JSON Lines",
         [](const std::string& fichier, const std::function<bool()>& avancer) {
             std::ofstream flux(fichier, std::ios::binary);
             std::string ligne;
             do {
                 ligne.clear();
                 ajouterLigneEtat(ligne, *C_AQUARIUM::getAquarium());
                 flux << ligne;
             } while (avancer());
         }},
        {"HDF5",
         [](const std::string& fichier, const std::function<bool()>& avancer) {
             SortieTraceHdf5 sortie(fichier, 1);
             ASSERT_TRUE(sortie.ouvrir() && sortie.preparer()) << sortie.erreur();
             const OptionsMonde options;
             const Recensement r;
             const Historique h;
             do {
                 const C_AQUARIUM& monde = *C_AQUARIUM::getAquarium();
                 const Instant instant{monde,  monde.getTempsEcoule(), r, r, FinDeCourse::aucune, h,
                                       options};
                 ASSERT_TRUE(sortie.ecrire(instant)) << sortie.erreur();
             } while (avancer());
             ASSERT_TRUE(sortie.fermer()) << sortie.erreur();
         }},
    };
    for (const Format& format : formats) {
        // Crowded and old, so that the ticks written see births, splits, deaths and turns.
        mondeSerre(3, 1500);
        std::vector<Releve> attendus;
        std::vector<Image> images;
        const auto noter = [&] {
            attendus.emplace_back();
            relever(*C_AQUARIUM::getAquarium(), attendus.back());
            images.emplace_back();
            images.back().prendre(*C_AQUARIUM::getAquarium());
        };
        const std::string fichier = chemin(std::string("t.") + format.nom);
        format.ecrire(fichier, [&] {
            noter();
            avancerTick();
            return attendus.size() < 4;
        });
        std::string erreur;
        const std::unique_ptr<LecteurReleves> lecteur = ouvrirReleves(fichier, erreur);
        ASSERT_NE(lecteur, nullptr) << format.nom << ": " << erreur;
        ASSERT_EQ(lecteur->ticks().size(), attendus.size()) << format.nom;
        Releve lu;
        for (std::size_t ligne = 0; ligne < attendus.size(); ++ligne) {
            const std::string ou = std::string(format.nom) + ", line " + std::to_string(ligne);
            ASSERT_TRUE(lecteur->lire(ligne, lu, erreur)) << ou << ": " << erreur;
            comparer(lu, attendus[ligne], ou);
            Image image;
            ASSERT_TRUE(image.prendre(lu)) << ou;
            EXPECT_EQ(image.centres, images[ligne].centres) << ou;
            const Recensement& a = image.recensement;
            const Recensement& b = images[ligne].recensement;
            EXPECT_EQ(std::tie(a.speedbricks, a.normal, a.gentil, a.aga, a.male, a.femelle,
                               a.indetermine, a.anneaux, a.cutits),
                      std::tie(b.speedbricks, b.normal, b.gentil, b.aga, b.male, b.femelle,
                               b.indetermine, b.anneaux, b.cutits))
                << ou;
            EXPECT_EQ(lecteur->recensements()[ligne].speedbricks, b.speedbricks) << ou;
        }
        detruireMonde();
    }
}

} // namespace
