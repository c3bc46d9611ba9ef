#pragma once

#include "cli/script_tokenizer.h"

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {
class CProjectDocument;
} // namespace Corv

namespace Corv::Cli {

class CSession;

// Runs script lines over one shared store: every project opened by the script lives in this
// process, as the windows of one running desktop program do.
class CScript {
public:
    explicit CScript(CSession& session) : m_session(session) {}

    // Runs every line to the end, also past refused operations. Returns 0 when every
    // operation succeeded, 1 when one was refused or failed, 2 at the first usage error.
    int Run(std::istream& in, const std::string& name);

    // Runs one line's arguments; false when the operation was refused or failed. Throws
    // UsageError.
    bool Execute(const std::vector<std::string>& arguments);

private:
    CProjectDocument& Handle(const std::string& name) const;
    void Bind(const std::string& name, CProjectDocument& document) { m_handles[name] = &document; }
    void Unbind(const CProjectDocument& document);

    bool Open(const std::vector<std::string>& arguments);
    bool New(const std::vector<std::string>& arguments);
    bool Close(const std::vector<std::string>& arguments);
    bool Save(const std::vector<std::string>& arguments);
    bool SaveAs(const std::vector<std::string>& arguments);
    // The arguments of `drop` and `preview`: SRC KIND ROWS DST AT [insert] [copy|move].
    struct DropArguments {
        CProjectDocument* source = nullptr;
        int kind = 0;
        std::vector<int> rows;
        CProjectDocument* target = nullptr;
        int at = 0;
        bool insert = false;
        std::optional<bool> copy;
    };
    DropArguments ParseDrop(const std::vector<std::string>& arguments, const char* usage) const;

    bool Drop(const std::vector<std::string>& arguments);
    bool Preview(const std::vector<std::string>& arguments);
    bool Delete(const std::vector<std::string>& arguments);
    bool Rename(const std::vector<std::string>& arguments);
    bool Memo(const std::vector<std::string>& arguments);
    bool Clean(const std::vector<std::string>& arguments);
    bool Import(const std::vector<std::string>& arguments);
    bool Undo(const std::vector<std::string>& arguments);
    bool Answer(const std::vector<std::string>& arguments);
    bool Dump(const std::vector<std::string>& arguments);
    bool List(const std::vector<std::string>& arguments);
    bool Status(const std::vector<std::string>& arguments);
    bool Echo(const std::vector<std::string>& arguments);

    CSession& m_session;
    std::map<std::string, CProjectDocument*> m_handles;
};

} // namespace Corv::Cli
