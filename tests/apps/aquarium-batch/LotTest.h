#pragma once

#include "DossierTest.h"
#include "Monde.h"
#include "Processus.h"

#include <string>
#include <vector>

/// aquarium-batch run in a test's own temporary folder.
class LotTest : public DossierTest {
protected:
    /// aquarium-batch with the words of `ligne` (see mots()).
    std::vector<std::string> commande(const std::string& ligne) const {
        std::vector<std::string> arguments = mots(ligne);
        arguments.insert(arguments.begin(), AQUARIUM_BATCH);
        return arguments;
    }
    Issue lancer(const std::string& ligne, const std::string& sortieVers = "") const {
        return executer(commande(ligne), sortieVers);
    }
    /// A state trace as text to compare: a JSON Lines one as it is, an HDF5 one as its
    /// attributes and datasets, read by h5py.
    static std::string traceLue(const std::string& trace) {
        if (trace.size() < 3 || trace.compare(trace.size() - 3, 3, ".h5") != 0)
            return lireFichier(trace);
        return executer({"/usr/bin/python3", "-c",
                         "import h5py, sys\n"
                         "f = h5py.File(sys.argv[1], 'r')\n"
                         "print(sorted((k, str(v)) for k, v in f.attrs.items()))\n"
                         "for k in sorted(f): print(k, f[k].dtype, f[k][()].tolist())",
                         trace})
            .sortie;
    }
};
