#pragma once

#include <cereal/archives/portable_binary.hpp>

#include <cstdint>
#include <streambuf>
#include <string>
#include <string_view>

// Bytes held in memory: the archives of saved runs and streams over bytes for them (a saved
// world runs to tens of megabytes, which std::ostringstream and std::istringstream would each
// copy once more), and a fingerprint of them.

/// Where an FNV-1a fingerprint starts.
inline constexpr std::uint64_t kDepartFnv1a = 14695981039346656037ULL;

/// The 64-bit FNV-1a fingerprint of `octets`, going on from `depart`: a fingerprint of several
/// pieces is that of the first given as `depart` to the next.
inline std::uint64_t fnv1a(std::string_view octets, std::uint64_t depart = kDepartFnv1a) {
    std::uint64_t valeur = depart;
    for (const char octet : octets) {
        valeur ^= static_cast<unsigned char>(octet);
        valeur *= 1099511628211ULL;
    }
    return valeur;
}

using ArchiveSortie = cereal::PortableBinaryOutputArchive;
using ArchiveEntree = cereal::PortableBinaryInputArchive;

/// The same bytes on every machine, whatever its byte order.
inline const ArchiveSortie::Options kOrdreOctets = ArchiveSortie::Options::LittleEndian();

/// Appends everything written to `octets`.
class EcritureOctets : public std::streambuf {
public:
    explicit EcritureOctets(std::string& octets) : octets_(octets) {}

protected:
    std::streamsize xsputn(const char* texte, std::streamsize n) override {
        octets_.append(texte, static_cast<std::size_t>(n));
        return n;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            octets_.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }

private:
    std::string& octets_;
};

/// Reads `octets`, which must outlive it, without copying them.
class LectureOctets : public std::streambuf {
public:
    explicit LectureOctets(std::string_view octets) {
        // The get area is only read from: the cast never lets a write through.
        char* debut = const_cast<char*>(octets.data());
        setg(debut, debut, debut + octets.size());
    }
    /// Bytes not read yet.
    std::size_t restants() const { return static_cast<std::size_t>(egptr() - gptr()); }
};
