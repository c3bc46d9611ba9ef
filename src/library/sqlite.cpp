#include "library/sqlite.h"

#include <sqlite3.h>

namespace Corv::Library {

CDatabase::~CDatabase() {
    Close();
}

bool CDatabase::Open(const std::string& path) {
    Close();
    const int rc =
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        m_error = m_db != nullptr ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        Close();
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return true;
}

void CDatabase::Close() {
    if (m_db != nullptr)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool CDatabase::Execute(std::string_view sql) {
    if (m_db == nullptr)
        return false;
    char* message = nullptr;
    const std::string text(sql);
    if (sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    m_error = message != nullptr ? message : sqlite3_errmsg(m_db);
    sqlite3_free(message);
    return false;
}

void CDatabase::SetBusyTimeout(int milliseconds) {
    if (m_db != nullptr)
        sqlite3_busy_timeout(m_db, milliseconds);
}

std::int64_t CDatabase::LastInsertId() const {
    return m_db != nullptr ? sqlite3_last_insert_rowid(m_db) : 0;
}

int CDatabase::Changes() const {
    return m_db != nullptr ? sqlite3_changes(m_db) : 0;
}

void CDatabase::NoteError() {
    if (m_db != nullptr)
        m_error = sqlite3_errmsg(m_db);
}

CStatement::CStatement(CDatabase& db, std::string_view sql) : m_db(db) {
    if (db.Handle() == nullptr ||
        sqlite3_prepare_v2(db.Handle(), sql.data(), static_cast<int>(sql.size()), &m_stmt,
                           nullptr) != SQLITE_OK) {
        db.NoteError();
        m_stmt = nullptr;
        m_failed = true;
    }
}

CStatement::~CStatement() {
    sqlite3_finalize(m_stmt);
}

CStatement& CStatement::Bind(int index, std::int64_t value) {
    if (m_stmt != nullptr && sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_failed = true;
    return *this;
}

CStatement& CStatement::Bind(int index, std::string_view text) {
    return BindText(index, text, true);
}

CStatement& CStatement::BindBlob(int index, std::string_view bytes) {
    return BindBytes(index, bytes, true);
}

CStatement& CStatement::BindKept(int index, std::string_view text) {
    return BindText(index, text, false);
}

CStatement& CStatement::BindBlobKept(int index, std::string_view bytes) {
    return BindBytes(index, bytes, false);
}

CStatement& CStatement::BindText(int index, std::string_view text, bool copy) {
    // An empty text is still text, not NULL (a null pointer would bind NULL).
    if (m_stmt != nullptr &&
        sqlite3_bind_text(m_stmt, index, text.empty() ? "" : text.data(),
                          static_cast<int>(text.size()),
                          copy ? SQLITE_TRANSIENT : SQLITE_STATIC) != SQLITE_OK)
        m_failed = true;
    return *this;
}

CStatement& CStatement::BindBytes(int index, std::string_view bytes, bool copy) {
    // A zero-length blob, not NULL: an empty memo is still a memo.
    if (m_stmt != nullptr &&
        sqlite3_bind_blob(m_stmt, index, bytes.empty() ? "" : bytes.data(),
                          static_cast<int>(bytes.size()),
                          copy ? SQLITE_TRANSIENT : SQLITE_STATIC) != SQLITE_OK)
        m_failed = true;
    return *this;
}

CStatement& CStatement::BindNull(int index) {
    if (m_stmt != nullptr && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        m_failed = true;
    return *this;
}

bool CStatement::Step() {
    if (m_stmt == nullptr || m_failed)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_failed = true;
        m_db.NoteError();
    }
    return false;
}

bool CStatement::Run() {
    while (Step()) {
    }
    return !m_failed;
}

void CStatement::Reset() {
    if (m_stmt != nullptr) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_failed = false;
    }
}

std::int64_t CStatement::Int(int column) const {
    return sqlite3_column_int64(m_stmt, column);
}

std::string CStatement::Text(int column) const {
    const void* bytes = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return bytes != nullptr
               ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size))
               : std::string();
}

bool CStatement::IsNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

CTransaction::CTransaction(CDatabase& db) : m_db(db) {
    m_began = m_db.Execute("BEGIN IMMEDIATE");
}

CTransaction::~CTransaction() {
    if (m_began && !m_done)
        m_db.Execute("ROLLBACK");
}

bool CTransaction::Commit() {
    if (!m_began || m_done)
        return false;
    m_done = m_db.Execute("COMMIT");
    return m_done;
}

} // namespace Corv::Library
