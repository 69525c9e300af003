#pragma once

// The files of the acquisition cache in the user's cache folder: where they live, creating
// that folder, and setting a damaged database aside so that a fresh one can take its place.
// The database itself is the cache's business; these are only the rules about files on disk.

#include "fileio/FileStamp.h"

#include <optional>
#include <string>

namespace korvo {

// "$XDG_CACHE_HOME/korvo2" when that variable holds an absolute path, else "$HOME/.cache/korvo2";
// empty when neither is usable. The caller passes the environment's values (nullptr for unset).
std::string UserCacheFolder(const char* xdgCacheHome, const char* home);

// Creates every missing level of `folder` (only the owner may enter a new one) and tells
// whether it is a folder afterwards. Links on the way are followed: the home folder may be one.
bool EnsureFolderPath(const std::string& folder);

// The identity of the regular file at `path` (a link followed), or nothing when there is no
// regular file there.
std::optional<FileIdentity> RegularFileIdentity(const std::string& path);

// Renames the database file `path` and its "-wal" and "-shm" companions to the same names with
// ".beschaedigt" after the database's name, replacing an earlier set, so that a new database
// starts without any part of the old one. True when no part of the old one is left at `path`.
bool MoveDatabaseAside(const std::string& path, std::string& movedTo);

// Removes the database file `path` and its companions; true when none is left.
bool RemoveDatabaseFiles(const std::string& path);

} // namespace korvo
