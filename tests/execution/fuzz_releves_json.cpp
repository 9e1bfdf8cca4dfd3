// The JSON Lines state trace's reader facing arbitrary bytes (LectureEntiere.h says what it
// must do with them).
#include "LectureEntiere.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    // The other format's reader has its own fuzzer.
    if (signeHdf5(donnees, taille)) return -1;
    ecrireEssai(donnees, taille);
    lireEntiere();
    return 0;
}
