#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace Corv::Library {

// One open SQLite database. Failures are reported by the return values; the last error's text
// is kept for the message.
class CDatabase {
public:
    CDatabase() = default;
    ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Opens (or creates) the database file; false with `Error()` set when it cannot be.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }

    // Runs statements that return no rows.
    bool Execute(std::string_view sql);
    // Milliseconds to wait for a lock another connection holds before giving up.
    void SetBusyTimeout(int milliseconds);

    std::int64_t LastInsertId() const;
    int Changes() const;
    const std::string& Error() const { return m_error; }
    // Keeps the text of the database's last error.
    void NoteError();

    sqlite3* Handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    std::string m_error;
};

// One prepared statement: bind the parameters (1-based), step through the rows, read the
// columns (0-based). Reset makes it ready to run again with new parameters.
class CStatement {
public:
    CStatement(CDatabase& db, std::string_view sql);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool IsValid() const { return m_stmt != nullptr; }

    CStatement& Bind(int index, std::int64_t value);
    CStatement& Bind(int index, std::string_view text);
    // Binds the bytes as a blob (names and memos keep their code-page bytes as they are).
    CStatement& BindBlob(int index, std::string_view bytes);
    // As Bind and BindBlob, without a copy: the bytes must stay where they are, unchanged, until
    // the statement has run and is reset (or destroyed). For many rows bound from data that
    // outlives them.
    CStatement& BindKept(int index, std::string_view text);
    CStatement& BindBlobKept(int index, std::string_view bytes);
    CStatement& BindNull(int index);

    // Runs to the next row: true while there is one. False at the end and on an error
    // (`Failed()` tells which).
    bool Step();
    // Runs a statement that returns no row; true when it succeeded.
    bool Run();
    bool Failed() const { return m_failed; }
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

private:
    // `copy`: SQLite keeps a copy of the bytes, else it reads them where they are.
    CStatement& BindText(int index, std::string_view text, bool copy);
    CStatement& BindBytes(int index, std::string_view bytes, bool copy);

    CDatabase& m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_failed = false;
};

// A write transaction that rolls back unless committed. It begins IMMEDIATE: the write lock
// is taken at the start (waiting out the busy timeout), so two writers never deadlock halfway.
class CTransaction {
public:
    explicit CTransaction(CDatabase& db);
    ~CTransaction();
    CTransaction(const CTransaction&) = delete;
    CTransaction& operator=(const CTransaction&) = delete;

    bool Began() const { return m_began; }
    bool Commit();

private:
    CDatabase& m_db;
    bool m_began = false;
    bool m_done = false;
};

} // namespace Corv::Library
