#pragma once

// RAII holders for a SQLite connection and its prepared statements, so that every sqlite3 and
// sqlite3_stmt is closed or finalised on every path. Only Sqlite.cpp includes sqlite3.h; result
// codes are handed out as plain ints with the library's values (SqliteOk, …).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace korvo {

inline constexpr int SqliteOk = 0;
inline constexpr int SqliteBusy = 5;
inline constexpr int SqliteLocked = 6;
inline constexpr int SqliteCorrupt = 11;
inline constexpr int SqliteFull = 13;
inline constexpr int SqliteNotADatabase = 26;
inline constexpr int SqliteRow = 100;
inline constexpr int SqliteDone = 101;

// True for the codes that mean the file is no sound database (damaged or overwritten).
bool SqliteDamaged(int code);
// True for the codes that mean another connection holds the database.
bool SqliteHeld(int code);

class TSqliteStatement;

class TSqliteDatabase {
public:
    TSqliteDatabase() = default;
    // Opens or creates the database file at `path` for reading and writing; `code` receives
    // the result. Never follows the file through a URI or loads extensions.
    static TSqliteDatabase Open(const std::string& path, int& code);

    bool Valid() const { return m_connection != nullptr; }
    void SetBusyTimeout(int milliseconds);
    // Runs one or more statements without results; the result code.
    int Execute(const char* sql);
    // Prepares one statement; an empty statement on failure, `code` tells why.
    TSqliteStatement Prepare(const char* sql, int& code);
    // The single integer one query gives (a pragma, a count); `code` receives the outcome.
    std::int64_t QueryInteger(const char* sql, int& code);
    void Close() { m_connection.reset(); }

private:
    struct TCloser {
        void operator()(sqlite3* connection) const;
    };
    std::unique_ptr<sqlite3, TCloser> m_connection;
};

class TSqliteStatement {
public:
    TSqliteStatement() = default;
    bool Valid() const { return m_statement != nullptr; }

    // Binding and reading count their parameter and column from 1 and 0, as the library does.
    void Bind(int parameter, std::int64_t value);
    void Bind(int parameter, std::string_view bytes); // as a blob: paths need not be UTF-8
    void Bind(int parameter, const std::vector<std::uint8_t>& bytes); // a blob; NULL when empty
    // The next row (SqliteRow), the end (SqliteDone) or an error code.
    int Step();
    // Ready to run again, with its bindings cleared.
    void Reset();

    std::int64_t Integer(int column) const;
    std::string Bytes(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;
    bool IsNull(int column) const;

private:
    friend class TSqliteDatabase;
    struct TFinalizer {
        void operator()(sqlite3_stmt* statement) const;
    };
    std::unique_ptr<sqlite3_stmt, TFinalizer> m_statement;
};

} // namespace korvo
