#pragma once

#include <cereal/archives/portable_binary.hpp>

#include <streambuf>
#include <string>
#include <string_view>

// The archives of saved runs, and streams over bytes held in memory for them: a saved world
// runs to tens of megabytes, which std::ostringstream and std::istringstream would each copy
// once more.

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
