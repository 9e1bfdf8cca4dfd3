#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// A file that a run replaces whole (the checkpoint, the summary, a trace cut back) is written
// beside its place, flushed to the disk, then renamed onto it: a crash at any moment leaves the
// previous file or the new one, whole, and at most the temporary file, which the next write of
// the same file replaces.

/// Where a file is written before it takes `chemin`'s place: always FILE.tmp, so that the one
/// a crash left half-written is the one the next write replaces, whichever process makes it.
std::string temporaireDe(const std::string& chemin);

/// Proves that a file can be made beside `chemin`, by making its temporary file and removing
/// it at once, which takes away what a crash left there too. False with the reason, one line
/// naming `chemin`.
bool essayerRemplacement(const std::string& chemin, std::string& erreur);

/// Replaces `chemin` by `morceaux`, one after the other: written whole to the temporary file,
/// flushed to the disk, renamed onto `chemin`, the folder flushed in turn. The permissions
/// follow the umask, as a plain new file's would. False with the reason, one line naming
/// `chemin`; the temporary file is removed then.
bool remplacerFichier(const std::string& chemin, std::initializer_list<std::string_view> morceaux,
                      std::string& erreur);

/// The end of remplacerFichier, for a temporary file (temporaireDe's) that another library
/// wrote too: flushed to the disk, renamed onto `chemin`, the folder flushed. False with the
/// reason, one line naming `chemin`; the temporary file is removed then.
bool installerTemporaire(const std::string& chemin, std::string& erreur);
