#include "cli/script.h"

#include "cli/actions.h"
#include "cli/arguments.h"
#include "cli/json_dump.h"
#include "cli/listing.h"
#include "cli/session.h"
#include "edit/drop.h"
#include "storage/project_document.h"

#include <iostream>

namespace Corv::Cli {

namespace {

using Arguments = std::vector<std::string>;

// Requires between `min` and `max` arguments after the command word.
void Count(const Arguments& arguments, std::size_t min, std::size_t max, const char* usage) {
    const std::size_t given = arguments.size() - 1;
    if (given < min || given > max)
        throw UsageError(std::string("usage: ") + usage);
}

void Print(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        std::cout << line << '\n';
    std::cout << std::flush;
}

bool IsBlankOrComment(std::string_view line) {
    const auto first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

} // namespace

int CScript::Run(std::istream& in, const std::string& name) {
    bool allSucceeded = true;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (IsBlankOrComment(line))
            continue;
        try {
            std::vector<std::string> arguments;
            std::string error;
            if (!Tokenize(line, arguments, error))
                throw UsageError(error);
            const int errorsBefore = m_session.ErrorCount();
            const bool succeeded = Execute(arguments);
            allSucceeded = allSucceeded && succeeded && m_session.ErrorCount() == errorsBefore;
        } catch (const UsageError& usage) {
            std::cout << std::flush;
            std::cerr << "corvane: " << name << ":" << number << ": " << usage.what() << std::endl;
            return 2;
        } catch (const Refusal& refusal) {
            std::cout << std::flush;
            std::cerr << "corvane: " << name << ":" << number << ": " << refusal.what()
                      << std::endl;
            allSucceeded = false;
        }
    }
    return allSucceeded ? 0 : 1;
}

bool CScript::Execute(const Arguments& arguments) {
    using Command = bool (CScript::*)(const Arguments&);
    struct Entry {
        const char* name;
        Command command;
    };
    // In the order of the manual, which the message about an unknown command repeats.
    static const Entry kCommands[] = {
        {"open", &CScript::Open},       {"new", &CScript::New},       {"close", &CScript::Close},
        {"save", &CScript::Save},       {"saveas", &CScript::SaveAs}, {"drop", &CScript::Drop},
        {"preview", &CScript::Preview}, {"delete", &CScript::Delete}, {"rename", &CScript::Rename},
        {"memo", &CScript::Memo},       {"clean", &CScript::Clean},   {"import", &CScript::Import},
        {"undo", &CScript::Undo},       {"answer", &CScript::Answer}, {"dump", &CScript::Dump},
        {"list", &CScript::List},       {"status", &CScript::Status}, {"echo", &CScript::Echo}};
    for (const Entry& entry : kCommands)
        if (arguments.front() == entry.name)
            return (this->*entry.command)(arguments);
    std::string names;
    for (const Entry& entry : kCommands)
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    throw UsageError("unknown command \"" + arguments.front() +
                     "\"; the script commands are: " + names);
}

CProjectDocument& CScript::Handle(const std::string& name) const {
    const auto bound = m_handles.find(name);
    if (bound == m_handles.end())
        throw UsageError("unknown handle \"" + name + "\"");
    return *bound->second;
}

void CScript::Unbind(const CProjectDocument& document) {
    std::erase_if(m_handles, [&](const auto& entry) { return entry.second == &document; });
}

bool CScript::Open(const Arguments& arguments) {
    Count(arguments, 2, 2, "open H FOLDER");
    CProjectDocument* document = m_session.Open(arguments[2]);
    if (document == nullptr)
        return false;
    Bind(arguments[1], *document);
    return true;
}

bool CScript::New(const Arguments& arguments) {
    Count(arguments, 1, 1, "new H");
    Bind(arguments[1], CProjectDocuments::Get().New());
    return true;
}

bool CScript::Close(const Arguments& arguments) {
    Count(arguments, 1, 1, "close H");
    CProjectDocument& document = Handle(arguments[1]);
    Unbind(document);
    CProjectDocuments::Get().Close(document);
    return true;
}

bool CScript::Save(const Arguments& arguments) {
    Count(arguments, 1, 1, "save H");
    return Cli::Save(Handle(arguments[1]));
}

bool CScript::SaveAs(const Arguments& arguments) {
    Count(arguments, 2, 2, "saveas H FOLDER");
    return Cli::SaveAs(Handle(arguments[1]), AbsolutePath(arguments[2]));
}

CScript::DropArguments CScript::ParseDrop(const Arguments& arguments, const char* usage) const {
    Count(arguments, 5, 7, usage);
    DropArguments drop;
    drop.source = &Handle(arguments[1]);
    drop.kind = KindArgument(arguments[2]);
    drop.rows = RowsArgument(arguments[3], drop.kind);
    drop.target = &Handle(arguments[4]);
    drop.at = RowArgument(arguments[5], drop.kind);
    for (std::size_t i = 6; i < arguments.size(); ++i) {
        if (arguments[i] == "insert" && !drop.insert)
            drop.insert = true;
        else if ((arguments[i] == "copy" || arguments[i] == "move") && !drop.copy)
            drop.copy = arguments[i] == "copy";
        else
            throw UsageError(std::string("usage: ") + usage);
    }
    return drop;
}

bool CScript::Drop(const Arguments& arguments) {
    const DropArguments d = ParseDrop(arguments, "drop SRC KIND ROWS DST AT [insert] [copy|move]");
    CheckDropBlock(d.at, d.rows.size(), d.kind);
    return Cli::Drop(*d.source, d.kind, d.rows, *d.target, d.at, d.insert, d.copy);
}

// A query like `status`: it succeeds whether or not the drop would go ahead.
bool CScript::Preview(const Arguments& arguments) {
    const DropArguments d =
        ParseDrop(arguments, "preview SRC KIND ROWS DST AT [insert] [copy|move]");
    const std::string name = FolderName(*d.target, arguments[4]);
    Print({PreviewLine(PreviewDropOf(*d.source, d.kind, d.rows, *d.target, d.at, d.insert, d.copy,
                                     name, FolderName(*d.source, arguments[0])))});
    return true;
}

bool CScript::Delete(const Arguments& arguments) {
    Count(arguments, 3, 3, "delete H KIND ROWS");
    CProjectDocument& document = Handle(arguments[1]);
    const int kind = KindArgument(arguments[2]);
    return Cli::Delete(document, kind, RowsArgument(arguments[3], kind));
}

bool CScript::Rename(const Arguments& arguments) {
    Count(arguments, 4, 4, "rename H KIND ROW TEXT");
    CProjectDocument& document = Handle(arguments[1]);
    const int kind = KindArgument(arguments[2]);
    return Cli::Rename(document, kind, RowArgument(arguments[3], kind), arguments[4]);
}

bool CScript::Memo(const Arguments& arguments) {
    Count(arguments, 5, 5, "memo H KIND ROW N TEXT");
    CProjectDocument& document = Handle(arguments[1]);
    const int kind = KindArgument(arguments[2]);
    const int row = RowArgument(arguments[3], kind);
    const int memo = NumberArgument(arguments[4], 1, 4, "memo number");
    return Cli::SetMemo(document, kind, row, memo, arguments[5]);
}

bool CScript::Clean(const Arguments& arguments) {
    const char* usage =
        "clean H [keep-waves] [keep-tones] [keep-tone-numbers] [keep-patch-numbers]";
    Count(arguments, 1, 5, usage);
    CProjectDocument& document = Handle(arguments[1]);
    CleanOptions options;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        bool* flag = option == "keep-waves"           ? &options.keepUnusedWaves
                     : option == "keep-tones"         ? &options.keepUnusedTones
                     : option == "keep-tone-numbers"  ? &options.keepToneNumbering
                     : option == "keep-patch-numbers" ? &options.keepPatchNumbering
                                                      : nullptr;
        if (flag == nullptr)
            throw UsageError(std::string("usage: ") + usage);
        *flag = true;
    }
    return Cli::Clean(document, options);
}

bool CScript::Import(const Arguments& arguments) {
    Count(arguments, 1, arguments.size(), "import H FILE...");
    CProjectDocument& document = Handle(arguments[1]);
    std::vector<std::string> files;
    for (std::size_t i = 2; i < arguments.size(); ++i)
        files.push_back(AbsolutePath(arguments[i]));
    return Cli::Import(document, files);
}

bool CScript::Undo(const Arguments& arguments) {
    Count(arguments, 0, 0, "undo");
    Cli::Undo();
    return true;
}

bool CScript::Answer(const Arguments& arguments) {
    Count(arguments, 1, 1, "answer ok|cancel|yes|no");
    const std::string& answer = arguments[1];
    if (answer == "ok" || answer == "yes")
        m_session.Sink().SetPolicy(AnswerPolicy::Affirmative);
    else if (answer == "cancel" || answer == "no")
        m_session.Sink().SetPolicy(AnswerPolicy::Negative);
    else
        throw UsageError("usage: answer ok|cancel|yes|no");
    return true;
}

bool CScript::Dump(const Arguments& arguments) {
    Count(arguments, 1, 1, "dump H");
    std::cout << DumpProject(Handle(arguments[1])) << std::endl;
    return true;
}

bool CScript::List(const Arguments& arguments) {
    Count(arguments, 2, 3, "list H KIND [--all]");
    const CProjectDocument& document = Handle(arguments[1]);
    const int kind = KindArgument(arguments[2]);
    if (arguments.size() == 4 && arguments[3] != "--all")
        throw UsageError("usage: list H KIND [--all]");
    Print(ListLines(document.Data(), kind, arguments.size() == 4));
    return true;
}

bool CScript::Status(const Arguments& arguments) {
    Count(arguments, 1, 1, "status H");
    Print(StatusLines(Handle(arguments[1])));
    return true;
}

bool CScript::Echo(const Arguments& arguments) {
    std::string text;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        text += (i > 1 ? " " : "") + arguments[i];
    std::cout << text << std::endl;
    return true;
}

} // namespace Corv::Cli
