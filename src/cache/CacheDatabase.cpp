#include "cache/CacheDatabase.h"

#include "fileio/CacheFiles.h"

#include <algorithm>
#include <limits>

namespace korvo {

namespace {

    // "KV2C": tells our database from any other SQLite file of that name.
    constexpr std::int64_t ApplicationId = 0x4B563243;
    // The layout of the table below; an older one is rebuilt, a newer one left alone.
    constexpr std::int64_t SchemaVersion = 2;
    // Reported uses and new pictures wait for one transaction at most this many at a time.
    constexpr std::size_t PendingLimit = 512;

    constexpr const char* Schema = "CREATE TABLE pictures ("
                                   " id INTEGER PRIMARY KEY,"
                                   " path BLOB NOT NULL UNIQUE,"
                                   " size INTEGER NOT NULL, seconds INTEGER NOT NULL,"
                                   " nanoseconds INTEGER NOT NULL, device INTEGER NOT NULL, inode INTEGER NOT NULL,"
                                   " type BLOB NOT NULL, width INTEGER NOT NULL, height INTEGER NOT NULL,"
                                   " exif_date BLOB, model BLOB, orientation INTEGER NOT NULL,"
                                   " used INTEGER NOT NULL);"
                                   "CREATE INDEX pictures_used ON pictures(used);"
                                   // The list pictures apart, by the picture's id: a use updates
                                   // the small row without rewriting the picture behind it.
                                   "CREATE TABLE list_pictures (id INTEGER PRIMARY KEY, jpeg BLOB NOT NULL);"
                                   "PRAGMA application_id = 1263940163;"
                                   "PRAGMA user_version = 2;";

    // Whatever a hostile or damaged database holds, a picture taken from it is one that
    // acquisition could have made.
    bool Plausible(const TCachedPicture& picture)
    {
        constexpr int MaxSide = 1 << 20;
        return !picture.TypeWord.empty() && picture.TypeWord.size() <= 16 && picture.TypeWord.back() == ' '
            && picture.Width > 0 && picture.Width <= MaxSide && picture.Height > 0 && picture.Height <= MaxSide
            && picture.ExifDateText.size() <= 256 && picture.Model.size() <= 4096 && picture.ExifOrientation >= 0
            && picture.ExifOrientation <= 0xffff && picture.ListPicture.size() <= 256 * 1024;
    }

    std::int64_t Signed(std::uint64_t value) { return static_cast<std::int64_t>(value); }

} // namespace

TCacheDatabase::TCacheDatabase(TCacheSettings settings)
    : m_settings(std::move(settings))
{
    try {
        Open();
    } catch (...) {
        m_database.Close();
        m_state = State::Unusable;
    }
}

TCacheDatabase::~TCacheDatabase()
{
    try {
        Flush();
    } catch (...) {
        // Nothing is lost but what the cache would have kept.
    }
}

bool TCacheDatabase::Usable() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Usable;
}

std::string TCacheDatabase::Notice() const
{
    std::lock_guard lock(m_mutex);
    return m_notice;
}

void TCacheDatabase::Close()
{
    // The statements go before the connection they belong to.
    m_reading = false;
    m_newest.clear();
    m_find = {};
    m_store = {};
    m_touch = {};
    m_forget = {};
    m_storePicture = {};
    m_database.Close();
}

void TCacheDatabase::GiveUp(const std::string& reason)
{
    Close();
    m_pending.clear();
    m_state = State::Unusable;
    m_notice = "Zwischenspeicher nicht verwendet, " + reason;
}

void TCacheDatabase::Failed(int code, const char* reason)
{
    if (SqliteDamaged(code))
        m_state = State::Damaged;
    else if (SqliteHeld(code)) {
        GiveUp("von einem anderen Vorgang gesperrt: " + m_path);
        m_held = true;
    } else
        GiveUp(reason + m_path);
}

void TCacheDatabase::Open()
{
    if (m_settings.Folder.empty()) {
        GiveUp("kein Ordner für ihn (HOME nicht gesetzt)");
        return;
    }
    m_path = m_settings.Folder + "/" + CacheFileName;
    m_notice.clear();
    if (!EnsureFolderPath(m_settings.Folder)) {
        GiveUp("Ordner nicht anlegbar: " + m_settings.Folder);
        return;
    }
    bool damaged = false;
    if (OpenOnce(damaged) || !damaged)
        return;
    Rebuild();
}

void TCacheDatabase::Rebuild()
{
    Close();
    std::string movedTo;
    if (!MoveDatabaseAside(m_path, movedTo)) {
        GiveUp("Datenbank beschädigt: " + m_path);
        return;
    }
    bool damaged = false;
    if (!OpenOnce(damaged)) {
        if (damaged)
            GiveUp("Datenbank beschädigt: " + m_path);
        return;
    }
    m_notice = "Zwischenspeicher war beschädigt und ist neu angelegt, die alte Datei liegt in " + movedTo;
}

bool TCacheDatabase::OpenOnce(bool& damaged)
{
    damaged = false;
    int code = SqliteOk;
    m_database = TSqliteDatabase::Open(m_path, code);
    if (!m_database.Valid()) {
        damaged = SqliteDamaged(code);
        if (!damaged)
            GiveUp("Datenbank nicht zu öffnen: " + m_path);
        return false;
    }
    m_database.SetBusyTimeout(m_settings.BusyMilliseconds);

    // The first look into the file tells a damaged or foreign file and a held database.
    const std::int64_t application = m_database.QueryInteger("PRAGMA application_id", code);
    std::int64_t version = 0;
    std::int64_t tables = 0;
    if (code == SqliteOk)
        version = m_database.QueryInteger("PRAGMA user_version", code);
    if (code == SqliteOk)
        tables = m_database.QueryInteger("SELECT count(*) FROM sqlite_master", code);
    if (code != SqliteOk) {
        damaged = SqliteDamaged(code);
        if (!damaged)
            Failed(code, "Datenbank nicht lesbar: ");
        return false;
    }

    if (application == ApplicationId && version > SchemaVersion) {
        GiveUp("Datenbank einer anderen Programmversion: " + m_path);
        return false;
    }
    if (application != ApplicationId && (application != 0 || tables != 0)) {
        GiveUp("fremde Datei: " + m_path);
        return false;
    }
    // A trigger or view someone put into the file never runs functions with side effects.
    code = m_database.Execute("PRAGMA trusted_schema = OFF; PRAGMA mmap_size = 1073741824; PRAGMA journal_mode = WAL; "
                              "PRAGMA synchronous = NORMAL");
    if (code != SqliteOk) {
        damaged = SqliteDamaged(code);
        if (!damaged)
            Failed(code, "Datenbank nicht beschreibbar: ");
        return false;
    }
    if ((application != ApplicationId || version < SchemaVersion) && !CreateSchema())
        return false;
    if (!Prepare()) {
        damaged = m_state == State::Damaged;
        return false;
    }
    m_state = State::Usable;
    return true;
}

bool TCacheDatabase::CreateSchema()
{
    // An older layout is only a cache: it is dropped and made anew.
    std::string script = "BEGIN IMMEDIATE; DROP INDEX IF EXISTS pictures_used; DROP TABLE IF EXISTS pictures;"
                         "DROP TABLE IF EXISTS list_pictures;";
    script += Schema;
    script += "COMMIT;";
    const int code = m_database.Execute(script.c_str());
    if (code != SqliteOk) {
        m_database.Execute("ROLLBACK");
        Failed(code, "Datenbank nicht beschreibbar: ");
        return false;
    }
    return true;
}

bool TCacheDatabase::Prepare()
{
    int code = SqliteOk;
    m_find = m_database.Prepare("SELECT type, width, height, exif_date, model, orientation, jpeg, used"
                                " FROM pictures LEFT JOIN list_pictures USING (id) WHERE path = ?1 AND size = ?2"
                                " AND seconds = ?3 AND nanoseconds = ?4 AND device = ?5 AND inode = ?6",
        code);
    if (code == SqliteOk)
        m_forget = m_database.Prepare(
            "DELETE FROM list_pictures WHERE id IN (SELECT id FROM pictures WHERE path = ?1)", code);
    if (code == SqliteOk)
        m_storePicture = m_database.Prepare(
            "INSERT OR REPLACE INTO list_pictures (id, jpeg) VALUES (last_insert_rowid(), ?1)", code);
    if (code == SqliteOk)
        m_store = m_database.Prepare("INSERT OR REPLACE INTO pictures (path, size, seconds, nanoseconds, device,"
                                     " inode, type, width, height, exif_date, model, orientation, used)"
                                     " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)",
            code);
    if (code == SqliteOk)
        m_touch = m_database.Prepare("UPDATE pictures SET used = ?2 WHERE path = ?1", code);
    if (code != SqliteOk) {
        if (SqliteHeld(code))
            Failed(code, "");
        else
            m_state = State::Damaged; // a table of our name but another layout is as good as damaged
        return false;
    }
    return true;
}

bool TCacheDatabase::Find(
    const std::string& path, const FileIdentity& identity, bool needListPicture, TCachedPicture& picture)
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Usable)
        return false;
    BeginReading();
    m_find.Reset();
    m_find.Bind(1, std::string_view(path));
    m_find.Bind(2, Signed(identity.Stamp.Size));
    m_find.Bind(3, identity.Stamp.Seconds);
    m_find.Bind(4, static_cast<std::int64_t>(identity.Stamp.Nanoseconds));
    m_find.Bind(5, Signed(identity.Device));
    m_find.Bind(6, Signed(identity.Inode));
    const int code = m_find.Step();
    if (code != SqliteRow) {
        // A failed read gives the database up, statements included.
        if (code != SqliteDone)
            Failed(code, "Datenbank nicht lesbar: ");
        else
            m_find.Reset();
        return false;
    }
    const auto narrow = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, -1, std::numeric_limits<int>::max()));
    };
    TCachedPicture found;
    found.TypeWord = m_find.Bytes(0);
    found.Width = narrow(m_find.Integer(1));
    found.Height = narrow(m_find.Integer(2));
    found.ExifDateText = m_find.Bytes(3);
    found.Model = m_find.Bytes(4);
    found.ExifOrientation = narrow(m_find.Integer(5));
    if (needListPicture)
        found.ListPicture = m_find.Blob(6);
    const bool newest = m_find.Integer(7) >= m_newestStamp;
    m_find.Reset();
    if ((needListPicture && found.ListPicture.empty()) || !Plausible(found))
        return false;
    picture = std::move(found);
    if (newest)
        m_newest.insert(path);
    return true;
}

void TCacheDatabase::BeginReading()
{
    // One read transaction for the lookups of an operation spares each its own (two file locks
    // and a look into the write-ahead log); writing ends it.
    if (m_reading || m_database.Execute("BEGIN") != SqliteOk)
        return;
    m_reading = true;
    int code = SqliteOk;
    m_newestStamp = m_database.QueryInteger("SELECT coalesce(max(used), 0) FROM pictures", code);
    if (code != SqliteOk) {
        EndReading();
        m_newestStamp = std::numeric_limits<std::int64_t>::max();
    }
}

void TCacheDatabase::EndReading()
{
    if (!m_reading)
        return;
    m_reading = false;
    if (m_database.Execute("COMMIT") != SqliteOk)
        m_database.Execute("ROLLBACK");
}

void TCacheDatabase::Used(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    if (m_state == State::Unusable)
        return;
    // A picture already among the most recently used stays there without being written again:
    // reopening the same project would otherwise rewrite every row each time.
    if (m_newest.erase(path) > 0)
        return;
    m_pending.push_back({ path, false, {}, {} });
    if (m_pending.size() >= PendingLimit && m_state == State::Usable)
        WritePending();
}

void TCacheDatabase::Store(const std::string& path, const FileIdentity& identity, TCachedPicture picture)
{
    std::lock_guard lock(m_mutex);
    if (m_state == State::Unusable)
        return;
    m_pending.push_back({ path, true, identity, std::move(picture) });
    if (m_pending.size() >= PendingLimit && m_state == State::Usable)
        WritePending();
}

void TCacheDatabase::Flush()
{
    std::lock_guard lock(m_mutex);
    EndReading();
    if (m_state == State::Damaged)
        Rebuild();
    if (m_state == State::Usable)
        WritePending();
    m_pending.clear();
    m_newest.clear();
}

bool TCacheDatabase::WritePending()
{
    if (m_pending.empty())
        return true;
    EndReading();
    int code = m_database.Execute("BEGIN IMMEDIATE");
    if (code != SqliteOk) {
        Failed(code, "Schreiben fehlgeschlagen: ");
        m_pending.clear();
        return false;
    }
    // Every picture of this transaction counts as used now; the oldest use goes first.
    std::int64_t stamp = m_database.QueryInteger("SELECT coalesce(max(used), 0) FROM pictures", code);
    if (stamp < std::numeric_limits<std::int64_t>::max())
        ++stamp;
    for (const TPending& pending : m_pending) {
        if (code != SqliteOk)
            break;
        if (pending.Store) {
            m_forget.Reset();
            m_forget.Bind(1, std::string_view(pending.Path));
            const int forget = m_forget.Step();
            m_forget.Reset();
            if (forget != SqliteDone) {
                code = forget;
                break;
            }
        }
        TSqliteStatement& statement = pending.Store ? m_store : m_touch;
        statement.Reset();
        statement.Bind(1, std::string_view(pending.Path));
        if (pending.Store) {
            const FileIdentity& identity = pending.Identity;
            const TCachedPicture& picture = pending.Picture;
            statement.Bind(2, Signed(identity.Stamp.Size));
            statement.Bind(3, identity.Stamp.Seconds);
            statement.Bind(4, static_cast<std::int64_t>(identity.Stamp.Nanoseconds));
            statement.Bind(5, Signed(identity.Device));
            statement.Bind(6, Signed(identity.Inode));
            statement.Bind(7, std::string_view(picture.TypeWord));
            statement.Bind(8, std::int64_t { picture.Width });
            statement.Bind(9, std::int64_t { picture.Height });
            statement.Bind(10, std::string_view(picture.ExifDateText));
            statement.Bind(11, std::string_view(picture.Model));
            statement.Bind(12, std::int64_t { picture.ExifOrientation });
            statement.Bind(13, stamp);
        } else {
            statement.Bind(2, stamp);
        }
        int step = statement.Step();
        statement.Reset();
        if (step == SqliteDone && pending.Store && !pending.Picture.ListPicture.empty()) {
            m_storePicture.Reset();
            m_storePicture.Bind(1, pending.Picture.ListPicture);
            step = m_storePicture.Step();
            m_storePicture.Reset();
        }
        code = step == SqliteDone ? SqliteOk : step;
    }
    m_pending.clear();
    if (code == SqliteOk)
        Trim();
    if (code == SqliteOk)
        code = m_database.Execute("COMMIT");
    if (code != SqliteOk) {
        m_database.Execute("ROLLBACK");
        Failed(code, "Schreiben fehlgeschlagen: ");
        return false;
    }
    return true;
}

std::int64_t TCacheDatabase::LiveBytes(int& code)
{
    const std::int64_t pages = m_database.QueryInteger("PRAGMA page_count", code);
    std::int64_t free = 0;
    std::int64_t size = 0;
    if (code == SqliteOk)
        free = m_database.QueryInteger("PRAGMA freelist_count", code);
    if (code == SqliteOk)
        size = m_database.QueryInteger("PRAGMA page_size", code);
    return code == SqliteOk ? (pages - free) * size : 0;
}

void TCacheDatabase::Trim()
{
    // Pages freed by dropped pictures are reused by the next ones, so the file stays near the
    // limit without being rewritten.
    int code = SqliteOk;
    std::int64_t live = LiveBytes(code);
    if (code != SqliteOk || live <= m_settings.SizeLimit)
        return;
    const std::int64_t target = m_settings.SizeLimit - m_settings.SizeLimit / 10;
    const std::int64_t count = m_database.QueryInteger("SELECT count(*) FROM pictures", code);
    // The same oldest pictures twice: first their list pictures, then themselves.
    TSqliteStatement dropPictures = m_database.Prepare(
        "DELETE FROM list_pictures WHERE id IN (SELECT id FROM pictures ORDER BY used, id LIMIT ?1)", code);
    TSqliteStatement drop = m_database.Prepare(
        "DELETE FROM pictures WHERE id IN (SELECT id FROM pictures ORDER BY used, id LIMIT ?1)", code);
    const std::int64_t batch = std::max<std::int64_t>(1, count / 32);
    while (code == SqliteOk && live > target) {
        bool dropped = true;
        for (TSqliteStatement* statement : { &dropPictures, &drop }) {
            statement->Reset();
            statement->Bind(1, batch);
            dropped = dropped && statement->Step() == SqliteDone;
            statement->Reset();
        }
        if (!dropped)
            break;
        const std::int64_t before = live;
        live = LiveBytes(code);
        const std::int64_t left = m_database.QueryInteger("SELECT count(*) FROM pictures", code);
        if (left == 0 || live >= before)
            break;
    }
}

std::int64_t TCacheDatabase::Count()
{
    std::lock_guard lock(m_mutex);
    int code = SqliteOk;
    return m_state == State::Usable ? m_database.QueryInteger("SELECT count(*) FROM pictures", code) : 0;
}

std::int64_t TCacheDatabase::UsedBytes()
{
    std::lock_guard lock(m_mutex);
    int code = SqliteOk;
    return m_state == State::Usable ? LiveBytes(code) : 0;
}

bool ClearAcquireCache(const TCacheSettings& settings, std::string& problem)
{
    TCacheDatabase cache(settings);
    std::lock_guard lock(cache.m_mutex);
    problem.clear();
    if (cache.m_state == TCacheDatabase::State::Usable) {
        int code = cache.m_database.Execute("DELETE FROM list_pictures; DELETE FROM pictures");
        if (code == SqliteOk)
            code = cache.m_database.Execute("VACUUM");
        if (code == SqliteOk)
            return true;
        if (!SqliteDamaged(code)) {
            problem = SqliteHeld(code) ? "von einem anderen Vorgang gesperrt: " + cache.m_path
                                       : "Schreiben fehlgeschlagen: " + cache.m_path;
            return false;
        }
    }
    if (cache.m_path.empty() || cache.m_held) {
        problem = cache.m_notice;
        return false;
    }
    // A database we cannot use is of no use to anyone in our folder.
    cache.m_find = {};
    cache.m_store = {};
    cache.m_touch = {};
    cache.m_forget = {};
    cache.m_storePicture = {};
    cache.m_database.Close();
    if (!RemoveDatabaseFiles(cache.m_path) || !RemoveDatabaseFiles(cache.m_path + ".beschaedigt")) {
        problem = "nicht löschbar: " + cache.m_path;
        return false;
    }
    return true;
}

std::string ClearAcquireCacheLine(const TCacheSettings& settings)
{
    std::string problem;
    return ClearAcquireCache(settings, problem) ? "+Zwischenspeicher geleert: " + settings.Folder
                                                : "-Zwischenspeicher nicht geleert, " + problem;
}

} // namespace korvo
