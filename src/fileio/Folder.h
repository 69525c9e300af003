#pragma once

// Folders: the album run creates one level at a time, never a whole chain of missing parents,
// and works inside its destination through open folders, so that a link swapped in on the way
// cannot lead a look-up or a deletion elsewhere.

#include "fileio/Failure.h"
#include "fileio/FileDescriptor.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace korvo {

// True when `directory` is a folder afterwards: it was one, or it was created. Only one level is
// created; its parent must exist. `failure` receives why it is none.
bool EnsureDirectory(const std::string& directory, TFailure* failure = nullptr);

// Why nothing could be written into one of `folders`, or no failure. They are taken in the order
// EnsureDirectory would create them: one that exists must be a folder this process may write
// into; one that does not must have a parent that does, or that was created before it. Asked
// before a run writes anything, so that an unwritable destination is one refusal instead of a
// failure per file.
TFailure FoldersWriteFailure(const std::vector<std::string>& folders);

// An entry of a folder's listing and the inode number the listing gives for it.
struct TListedEntry {
    std::string Name;
    std::uint64_t Inode = 0;
};

// An open folder. Every look-up and removal inside it goes by name relative to it.
class TFolder {
public:
    TFolder() = default;
    // The folder at `path`, links on the way followed (the destination is the user's choice);
    // empty when there is none.
    static TFolder Open(const std::string& path);

    bool Valid() const { return m_descriptor.Valid(); }
    // A folder directly inside this one, never through a link of that name; empty otherwise.
    TFolder Child(const std::string& name) const;
    // The entry `name` itself; a link is not followed.
    std::optional<struct stat> Entry(const std::string& name) const;
    // The names of the entries, without "." and "..".
    std::vector<std::string> Names() const;
    // The names of the folders directly inside it (not of links to folders).
    std::vector<std::string> FolderNames() const;
    // The entries with the inode numbers the listing gives.
    std::vector<TListedEntry> Listing() const;
    // True on the usual local file systems, whose listing gives every entry's inode number as a
    // look at the entry does (a mount point aside); not on overlays or FUSE file systems.
    bool ListsExactInodes() const;
    // Removes the file or link `name`; never a folder.
    bool RemoveFile(const std::string& name) const;
    // Takes the folder's lock for as long as this holder lives, so that two album runs never
    // work in one folder at once. False only when another holder has it; a file system without
    // locks counts as free.
    bool Lock() const;
    int Descriptor() const { return m_descriptor.Get(); }

private:
    void ForEachListed(const std::function<void(const dirent&)>& take) const;
    explicit TFolder(TFileDescriptor descriptor)
        : m_descriptor(std::move(descriptor))
    {
    }
    TFileDescriptor m_descriptor;
};

} // namespace korvo
