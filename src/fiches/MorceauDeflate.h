#pragma once

#include <cstddef>
#include <vector>

struct libdeflate_compressor;

namespace fiches::hdf5 {

/// Turns a chunk of rows into the bytes HDF5 stores for it through its shuffle filter and then
/// its deflate filter, so that a writer can hand it to H5Dwrite_chunk as it is and any HDF5
/// reader, with no plug-in, reads it back. One per thread: it keeps its buffers between chunks.
class MorceauDeflate {
public:
    /// `niveau` is the deflate level, as H5Pset_deflate takes it.
    explicit MorceauDeflate(int niveau);
    ~MorceauDeflate();
    MorceauDeflate(const MorceauDeflate&) = delete;
    MorceauDeflate& operator=(const MorceauDeflate&) = delete;

    /// The stored form of `octets` bytes of elements `taille` bytes wide (the dataset's type
    /// size, which is what HDF5's shuffle filter takes).
    std::vector<unsigned char> compresser(const unsigned char* donnees, std::size_t octets,
                                          std::size_t taille);

private:
    libdeflate_compressor* compresseur_ = nullptr;
    std::vector<unsigned char> melange_;
    std::vector<unsigned char> compresse_;
};

/// HDF5's shuffle filter: the first byte of every element, then every second byte, and so on;
/// the bytes past the last whole element stay at the end.
void melanger(const unsigned char* donnees, std::size_t octets, std::size_t taille,
              unsigned char* sortie);

} // namespace fiches::hdf5
