#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace fiches::hdf5 {

/// A raw deflate stream written block by block, each block of the kind its bytes call for:
/// stored for the bytes no code shrinks, runs of a byte and Huffman codes fitted to the block
/// for the rest, much cheaper than a search for matches; or a block that libdeflate wrote,
/// joined to the stream although libdeflate ends every stream it writes (raccorder()).
class BlocsDeflate {
public:
    /// Starts a stream at `sortie`, which holds borne() bytes for each call of ajouter() or
    /// stocker(), and borne(0) more for aligner(). Kept from one stream to the next, so that
    /// its tokens' room is made once.
    void commencer(unsigned char* sortie);

    /// The most that ajouter() or stocker() of `n` bytes writes.
    static std::size_t borne(std::size_t n);
    /// The bytes written so far, the last one whole once the last block or aligner() is.
    std::size_t ecrits() const { return static_cast<std::size_t>(sortie_ - debut_); }

    /// One block or more for `n` bytes, the last of the stream if `dernier`. `suite` tells that
    /// the byte before `octets` is the stream's previous byte, which a run may go on from.
    void ajouter(const unsigned char* octets, std::size_t n, bool suite, bool dernier);
    /// Stored blocks for `n` bytes, 65,535 at most each.
    void stocker(const unsigned char* octets, std::size_t n, bool dernier);
    /// Ends the stream's last byte with an empty stored block if it is not whole, so that the
    /// next block can start on a byte, such as libdeflate's.
    void aligner();
    /// Where the stream stands, to go back to.
    struct Marque {
        unsigned char* sortie;
        std::uint64_t tampon;
        unsigned enTampon;
    };
    Marque marque() const { return {sortie_, tampon_, enTampon_}; }
    /// Forgets what was written since `m`.
    void revenir(const Marque& m) {
        sortie_ = m.sortie;
        tampon_ = m.tampon;
        enTampon_ = m.enTampon;
    }
    /// Where the next byte goes: once aligned, where libdeflate may write its blocks.
    unsigned char* position() const { return sortie_; }
    /// Takes into the stream the `n` bytes that libdeflate wrote at position() for a raw
    /// deflate stream of its own, the stream's last block if `dernier`. Otherwise its one block
    /// is made not the last, and the next block starts right after its end-of-block code,
    /// which the block's header and its last bit set tell. False, with nothing taken, when
    /// the end cannot be told so: several blocks, or an end-of-block code of zeros only.
    bool raccorder(std::size_t n, bool dernier);

private:
    void bits(std::uint32_t valeur, unsigned nombre);
    void viderOctets();

    unsigned char* debut_ = nullptr;
    unsigned char* sortie_ = nullptr;
    std::uint64_t tampon_ = 0;
    unsigned enTampon_ = 0;
    /// The tokens of the block being weighed: a literal below 256, 256 + a run's length above.
    std::unique_ptr<std::uint16_t[]> jetons_;
    std::size_t capaciteJetons_ = 0;
};

} // namespace fiches::hdf5
