#pragma once

// The acquisition cache on disk: one SQLite database in the user's cache folder, in WAL mode so
// that several Korvo 2 processes can read it at once. A picture is found by its absolute path
// and only while its file keeps size, modification time (to the nanosecond), device and inode.
// Least recently used pictures are dropped once the database holds more than its size limit.
//
// It never gets in the way: a folder that cannot be made or written, a foreign file, a database
// held by another process or written by another version of the program all leave the cache
// unused (Usable false, Notice says why); a damaged database is set aside and built anew.

#include "cache/Sqlite.h"
#include "imaging/AcquireCache.h"

#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace korvo {

struct TCacheSettings {
    std::string Folder; // the user's cache folder for Korvo 2 (UserCacheFolder); made when missing
    std::int64_t SizeLimit = std::int64_t { 512 } << 20; // bytes of pictures before the oldest go
    int BusyMilliseconds = 2000; // how long to wait for another process's write
};

// The database's file name inside the folder.
inline constexpr const char* CacheFileName = "bilder.sqlite";

class TCacheDatabase final : public IAcquireCache {
public:
    // Opens the database (creating folder and file when missing). Never throws.
    explicit TCacheDatabase(TCacheSettings settings);
    // Writes what is still pending.
    ~TCacheDatabase() override;
    TCacheDatabase(const TCacheDatabase&) = delete;
    TCacheDatabase& operator=(const TCacheDatabase&) = delete;

    bool Usable() const;
    const std::string& Path() const { return m_path; }

    bool Find(
        const std::string& path, const FileIdentity& identity, bool needListPicture, TCachedPicture& picture) override;
    void Used(const std::string& path) override;
    void Store(const std::string& path, const FileIdentity& identity, TCachedPicture picture) override;
    void Flush() override;
    std::string Notice() const override;

    // The pictures held, and the bytes their pages take; 0 when unusable.
    std::int64_t Count();
    std::int64_t UsedBytes();

private:
    enum class State { Usable, Unusable, Damaged };
    struct TPending {
        std::string Path;
        bool Store = false;
        FileIdentity Identity;
        TCachedPicture Picture;
    };

    void Open();
    bool OpenOnce(bool& damaged);
    bool CreateSchema();
    bool Prepare();
    void Close();
    void Rebuild();
    void GiveUp(const std::string& reason);
    void Failed(int code, const char* reason);
    bool WritePending();
    void BeginReading();
    void EndReading();
    void Trim();
    std::int64_t LiveBytes(int& code);

    TCacheSettings m_settings;
    std::string m_path;
    mutable std::mutex m_mutex;
    State m_state = State::Unusable;
    std::string m_notice;
    bool m_held = false; // another process holds the database
    TSqliteDatabase m_database;
    TSqliteStatement m_find;
    TSqliteStatement m_store;
    TSqliteStatement m_touch;
    TSqliteStatement m_forget; // a picture's list picture, before the picture is replaced
    TSqliteStatement m_storePicture;
    std::vector<TPending> m_pending;
    bool m_reading = false; // the lookups' read transaction is open
    // The largest stamp of use when the read transaction began, and the pictures found that bear
    // it: their use need not be written again.
    std::int64_t m_newestStamp = std::numeric_limits<std::int64_t>::max();
    std::unordered_set<std::string> m_newest;

    friend bool ClearAcquireCache(const TCacheSettings& settings, std::string& problem);
    // The same, as the log line that tells how it went: "+Zwischenspeicher geleert: " and the folder,
    // or "-Zwischenspeicher nicht geleert, " and the reason.
    std::string ClearAcquireCacheLine(const TCacheSettings& settings);
};

// Empties the cache in settings.Folder: every picture of a usable database is removed and the
// file shrunk; a database that cannot be used (foreign, damaged, of another version) is deleted
// with its companions. False with the reason in `problem` when something stays (a database held
// by another process, a folder that cannot be written).
bool ClearAcquireCache(const TCacheSettings& settings, std::string& problem);
// The same, as the log line that tells how it went: "+Zwischenspeicher geleert: " and the folder,
// or "-Zwischenspeicher nicht geleert, " and the reason.
std::string ClearAcquireCacheLine(const TCacheSettings& settings);

} // namespace korvo
