#include "cache/Sqlite.h"

#include <sqlite3.h>

namespace korvo {

static_assert(SqliteOk == SQLITE_OK && SqliteBusy == SQLITE_BUSY && SqliteLocked == SQLITE_LOCKED
    && SqliteCorrupt == SQLITE_CORRUPT && SqliteFull == SQLITE_FULL && SqliteNotADatabase == SQLITE_NOTADB
    && SqliteRow == SQLITE_ROW && SqliteDone == SQLITE_DONE);

bool SqliteDamaged(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool SqliteHeld(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

void TSqliteDatabase::TCloser::operator()(sqlite3* connection) const { ::sqlite3_close_v2(connection); }

void TSqliteStatement::TFinalizer::operator()(sqlite3_stmt* statement) const { ::sqlite3_finalize(statement); }

TSqliteDatabase TSqliteDatabase::Open(const std::string& path, int& code)
{
    TSqliteDatabase database;
    sqlite3* connection = nullptr;
    code = ::sqlite3_open_v2(path.c_str(), &connection,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW, nullptr);
    // The library hands out a connection even when opening fails; the holder closes it then.
    database.m_connection.reset(connection);
    if (code != SQLITE_OK) {
        database.m_connection.reset();
        return database;
    }
    ::sqlite3_extended_result_codes(connection, 1);
    return database;
}

void TSqliteDatabase::SetBusyTimeout(int milliseconds)
{
    if (m_connection)
        ::sqlite3_busy_timeout(m_connection.get(), milliseconds);
}

int TSqliteDatabase::Execute(const char* sql)
{
    if (!m_connection)
        return SQLITE_MISUSE;
    return ::sqlite3_exec(m_connection.get(), sql, nullptr, nullptr, nullptr);
}

TSqliteStatement TSqliteDatabase::Prepare(const char* sql, int& code)
{
    TSqliteStatement statement;
    if (!m_connection) {
        code = SQLITE_MISUSE;
        return statement;
    }
    sqlite3_stmt* prepared = nullptr;
    code = ::sqlite3_prepare_v3(m_connection.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr);
    statement.m_statement.reset(prepared);
    if (code != SQLITE_OK)
        statement.m_statement.reset();
    return statement;
}

std::int64_t TSqliteDatabase::QueryInteger(const char* sql, int& code)
{
    TSqliteStatement statement = Prepare(sql, code);
    if (!statement.Valid())
        return 0;
    code = statement.Step();
    if (code != SQLITE_ROW)
        return 0;
    code = SQLITE_OK;
    return statement.Integer(0);
}

void TSqliteStatement::Bind(int parameter, std::int64_t value)
{
    ::sqlite3_bind_int64(m_statement.get(), parameter, value);
}

void TSqliteStatement::Bind(int parameter, std::string_view bytes)
{
    ::sqlite3_bind_blob64(m_statement.get(), parameter, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

void TSqliteStatement::Bind(int parameter, const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty())
        ::sqlite3_bind_null(m_statement.get(), parameter);
    else
        ::sqlite3_bind_blob64(m_statement.get(), parameter, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

int TSqliteStatement::Step() { return m_statement ? ::sqlite3_step(m_statement.get()) : SQLITE_MISUSE; }

void TSqliteStatement::Reset()
{
    // A statement given up after a failure is empty; clearing the bindings of none would crash.
    if (!m_statement)
        return;
    ::sqlite3_reset(m_statement.get());
    ::sqlite3_clear_bindings(m_statement.get());
}

std::int64_t TSqliteStatement::Integer(int column) const { return ::sqlite3_column_int64(m_statement.get(), column); }

std::string TSqliteStatement::Bytes(int column) const
{
    const void* data = ::sqlite3_column_blob(m_statement.get(), column);
    const int size = ::sqlite3_column_bytes(m_statement.get(), column);
    return data && size > 0 ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                            : std::string();
}

std::vector<std::uint8_t> TSqliteStatement::Blob(int column) const
{
    const auto* data = static_cast<const std::uint8_t*>(::sqlite3_column_blob(m_statement.get(), column));
    const int size = ::sqlite3_column_bytes(m_statement.get(), column);
    return data && size > 0 ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
}

bool TSqliteStatement::IsNull(int column) const
{
    return ::sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL;
}

} // namespace korvo
