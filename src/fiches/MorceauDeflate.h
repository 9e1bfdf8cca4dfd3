#pragma once

#include "BlocsDeflate.h"

#include <cstddef>
#include <memory>
#include <vector>

struct libdeflate_compressor;

namespace fiches::hdf5 {

/// How a plane of a chunk is written.
enum class Voie : unsigned char {
    /// Runs of a byte and a code fitted to the plane, or stored if that is no smaller.
    codes,
    /// Stored as it is: noise, which the codes would not shrink enough to pay for their time.
    brut,
    /// Deflated by libdeflate, a piece at a time.
    libdeflate,
};

/// Turns a chunk of rows into the bytes HDF5 stores for it through its shuffle filter and then
/// its deflate filter, so that a writer can hand it to H5Dwrite_chunk as it is and any HDF5
/// reader, with no plug-in, reads it back. One per thread: it keeps its buffers between chunks.
///
/// Shuffled, a chunk is a series of planes, byte k of every element. Most are runs of a byte or
/// of a few values, which runs and a fitted code shrink about as well as a search for matches,
/// at a fraction of its time; the floats' low bytes are noise that nothing shrinks, stored. A
/// few planes repeat values further back, which only libdeflate's matches find: those are
/// given to it, a piece at a time, each piece's block joined to the stream.
class MorceauDeflate {
public:
    /// `niveau` is the deflate level, as H5Pset_deflate takes it.
    explicit MorceauDeflate(int niveau);
    ~MorceauDeflate();
    MorceauDeflate(const MorceauDeflate&) = delete;
    MorceauDeflate& operator=(const MorceauDeflate&) = delete;

    /// The stored form of `octets` bytes of elements `taille` bytes wide (the dataset's type
    /// size, which is what HDF5's shuffle filter takes), plane p written the way `voies[p]`
    /// says, by runs and codes past its end.
    std::vector<unsigned char> compresser(const unsigned char* donnees, std::size_t octets,
                                          std::size_t taille, const std::vector<Voie>& voies);
    /// The way of each plane for chunks like this one, each tried: libdeflate where it shrinks
    /// a plane by more than a small part of its size beyond what runs and codes do; stored
    /// where those barely shrink it.
    std::vector<Voie> choisirVoies(const unsigned char* donnees, std::size_t octets,
                                   std::size_t taille);

private:
    /// Bytes that grow without being written first: every byte is written before it is read.
    class Tampon {
    public:
        unsigned char* auMoins(std::size_t octets);

    private:
        std::unique_ptr<unsigned char[]> octets_;
        std::size_t capacite_ = 0;
    };
    /// Shuffles the chunk into melange_.
    const unsigned char* melanger(const unsigned char* donnees, std::size_t octets,
                                  std::size_t taille);
    /// Blocks for `n` bytes through libdeflate, a piece at a time; false, with nothing kept, if
    /// a piece's end could not be told (the caller writes them otherwise).
    bool deflater(const unsigned char* octets, std::size_t n, bool dernier);

    libdeflate_compressor* compresseur_ = nullptr;
    BlocsDeflate blocs_;
    Tampon melange_;
    Tampon compresse_;
};

/// HDF5's shuffle filter: the first byte of every element, then every second byte, and so on;
/// the bytes past the last whole element stay at the end.
void melanger(const unsigned char* donnees, std::size_t octets, std::size_t taille,
              unsigned char* sortie);

} // namespace fiches::hdf5
