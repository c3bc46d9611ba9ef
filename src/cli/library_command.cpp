#include "cli/library_command.h"

#include "cli/arguments.h"
#include "cli/session.h"
#include "library/catalogue.h"
#include "model/lum_data.h"
#include "storage/progress_bar.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

namespace Corv::Cli {

namespace {

using Library::CCatalogue;

// Everything the library commands take from the command line.
struct LibraryOptions {
    std::string file; // --library
    std::vector<std::string> folders;
    std::string query;
    std::string kind;
    std::string tag;
    std::string project;
    std::string number;
    std::string path;
    bool favourites = false;
    bool used = false;
    bool unused = false;
    bool duplicated = false;
    bool json = false;
    bool full = false;
    bool remove = false;
};

// The scan's progress as one line on standard error, written over as it goes.
class CProgressLine : public CLumProgressBar {
public:
    void Begin(int maximum, const std::string& title, bool cancellable) override {
        CLumProgressBar::Begin(maximum, title, cancellable);
        m_maximum = maximum;
    }
    void SetPosition(int position) override {
        CLumProgressBar::SetPosition(position);
        std::cerr << "\r" << Title() << ": " << position << " of " << m_maximum << "\x1b[K"
                  << std::flush;
        m_shown = true;
    }
    void End() override {
        CLumProgressBar::End();
        if (Nesting() == 0 && m_shown)
            std::cerr << "\n" << std::flush;
        m_shown = false;
    }

private:
    int m_maximum = 0;
    bool m_shown = false;
};

// The catalogue file the options name.
std::string CatalogueFile(const LibraryOptions& o) {
    const std::string file = o.file.empty() ? Library::DefaultCatalogueFile() : o.file;
    if (file.empty())
        throw UsageError("no catalogue file: give --library FILE or set CORVANE_LIBRARY");
    return file;
}

// Opens the catalogue, or says why not; exit status 2 then.
std::unique_ptr<CCatalogue> OpenCatalogue(const LibraryOptions& o) {
    const std::string file = CatalogueFile(o);
    auto catalogue = std::make_unique<CCatalogue>();
    std::string message;
    if (!catalogue->Open(file, message)) {
        std::cerr << "corvane: the catalogue " << file << " cannot be opened: " << message
                  << std::endl;
        return nullptr;
    }
    if (catalogue->Rebuilt())
        std::cerr << "note: " << message << "; run \"corvane library scan\" to fill it"
                  << std::endl;
    return catalogue;
}

std::string Dumped(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<int> KindFilter(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<int>(KindArgument(text));
}

int Add(CCatalogue& catalogue, const LibraryOptions& o) {
    for (const std::string& folder : o.folders) {
        if (!std::filesystem::is_directory(folder))
            throw UsageError(folder + " is not a folder");
        if (!catalogue.AddRoot(AbsolutePath(folder))) {
            std::cerr << "corvane: " << catalogue.Database().Error() << std::endl;
            return 1;
        }
    }
    return 0;
}

int Remove(CCatalogue& catalogue, const LibraryOptions& o) {
    if (catalogue.Remove(AbsolutePath(o.folders.front())))
        return 0;
    std::cerr << "corvane: " << o.folders.front() << " is no root or project of the catalogue"
              << std::endl;
    return 1;
}

int Scan(CCatalogue& catalogue, const LibraryOptions& o) {
    CSession session(AnswerPolicy::Negative); // the lock wait and the sinks of a run
    std::string error;
    if (!session.Start(error)) {
        std::cerr << "corvane: " << error << std::endl;
        return 2;
    }
    CProgressLine progress;
    const Library::ScanReport report = catalogue.Scan(o.full, progress);
    for (const std::string& skipped : report.skipped)
        std::cerr << "skipped " << skipped << '\n';
    for (const std::string& failure : report.failures)
        std::cout << "failed " << failure << '\n';
    std::cout << "read " << report.read << ", unchanged " << report.unchanged << ", offline "
              << report.offline << ", failed " << report.failures.size() << std::endl;
    session.Finish();
    return report.failures.empty() && !report.cancelled ? 0 : 1;
}

nlohmann::ordered_json EntryJson(const Library::CatalogueEntry& entry) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    json["project"] = entry.project;
    json["kind"] = KindName(entry.kind);
    json["number"] = entry.number;
    json["name"] = entry.name;
    json["memos"] = entry.memos;
    json["tags"] = entry.tags;
    json["favourite"] = entry.favourite;
    json["copies"] = entry.copies;
    json["offline"] = entry.offline;
    return json;
}

// "tone 12 Warm Pad  /path/Song.prj/  [pads, slow] * (2 copies) (offline)"
std::string EntryLine(const Library::CatalogueEntry& entry) {
    std::string line = std::string(KindName(entry.kind)) + " " + std::to_string(entry.number) +
                       " " + entry.name + "  " + entry.project;
    if (!entry.tags.empty()) {
        line += "  [";
        for (std::size_t i = 0; i < entry.tags.size(); ++i)
            line += (i == 0 ? "" : ", ") + entry.tags[i];
        line += "]";
    }
    if (entry.favourite)
        line += " *";
    if (entry.copies > 1)
        line += " (" + std::to_string(entry.copies) + " copies)";
    if (entry.offline)
        line += " (offline)";
    return line;
}

int Search(CCatalogue& catalogue, const LibraryOptions& o) {
    Library::SearchQuery query;
    query.text = o.query;
    query.kind = KindFilter(o.kind);
    query.tag = o.tag;
    query.project = o.project.empty() ? std::string() : AbsolutePath(o.project);
    query.favourites = o.favourites;
    if (o.used != o.unused)
        query.used = o.used;
    query.duplicated = o.duplicated;
    const Library::SearchResult result = catalogue.Search(query);
    if (o.json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const auto& entry : result.entries)
            array.push_back(EntryJson(entry));
        std::cout << Dumped(array) << std::endl;
    } else {
        for (const auto& entry : result.entries)
            std::cout << EntryLine(entry) << '\n';
        std::cout << result.total << (result.total == 1 ? " entry" : " entries") << std::endl;
    }
    return result.entries.empty() ? 1 : 0;
}

int Dupes(CCatalogue& catalogue, const LibraryOptions& o) {
    const std::vector<Library::DuplicateGroup> groups = catalogue.Duplicates(KindFilter(o.kind));
    if (o.json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const auto& group : groups) {
            nlohmann::ordered_json json = nlohmann::ordered_json::object();
            json["kind"] = KindName(group.kind);
            json["fingerprint"] = group.fingerprint;
            json["bytes"] = group.bytes;
            json["entries"] = nlohmann::ordered_json::array();
            for (const auto& entry : group.entries)
                json["entries"].push_back(
                    {{"project", entry.project}, {"number", entry.number}, {"name", entry.name}});
            array.push_back(std::move(json));
        }
        std::cout << Dumped(array) << std::endl;
    } else {
        for (const auto& group : groups) {
            std::cout << KindName(group.kind) << " " << group.fingerprint << " "
                      << group.entries.size() << " copies, " << group.bytes << " wave bytes\n";
            for (const auto& entry : group.entries)
                std::cout << "  " << entry.number << " " << entry.name << "  " << entry.project
                          << '\n';
        }
        std::cout << std::flush;
    }
    return groups.empty() ? 1 : 0;
}

// The fingerprint of PROJECT KIND N; a refusal when the catalogue holds no such entry.
std::string EntryFingerprint(CCatalogue& catalogue, const LibraryOptions& o) {
    const int kind = KindArgument(o.kind);
    const int number = NumberArgument(o.number, 1, SlotCount(kind), "number");
    const std::optional<std::string> print =
        catalogue.FingerprintOf(AbsolutePath(o.project), kind, number);
    if (!print)
        throw Refusal("the catalogue holds no " + std::string(KindName(kind)) + " " + o.number +
                      " of " + o.project + " (is it scanned?)");
    return *print;
}

int Tag(CCatalogue& catalogue, const LibraryOptions& o) {
    if (o.tag.empty())
        throw UsageError("the tag is empty");
    return catalogue.SetTag(EntryFingerprint(catalogue, o), o.tag, !o.remove) ? 0 : 1;
}

int Favourite(CCatalogue& catalogue, const LibraryOptions& o) {
    return catalogue.SetFavourite(EntryFingerprint(catalogue, o), !o.remove) ? 0 : 1;
}

int ExportTags(CCatalogue& catalogue, const LibraryOptions& o) {
    std::ofstream out(o.path, std::ios::binary | std::ios::trunc);
    out << catalogue.ExportJson();
    if (!out.flush()) {
        std::cerr << "corvane: cannot write " << o.path << std::endl;
        return 2;
    }
    return 0;
}

int ImportTags(CCatalogue& catalogue, const LibraryOptions& o) {
    std::ifstream in(o.path, std::ios::binary);
    if (!in)
        throw UsageError("cannot read " + o.path);
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    if (catalogue.ImportJson(text.str(), error))
        return 0;
    std::cerr << "corvane: " << o.path << ": " << error << std::endl;
    return 1;
}

int Stats(CCatalogue& catalogue, const LibraryOptions& o) {
    const Library::CatalogueStats stats = catalogue.Stats();
    if (o.json)
        std::cout << Dumped({{"projects", stats.projects},
                             {"offline", stats.offline},
                             {"entries", stats.entries},
                             {"tags", stats.tags}})
                  << std::endl;
    else
        std::cout << "projects " << stats.projects << "\noffline " << stats.offline << "\nentries "
                  << stats.entries << "\ntags " << stats.tags << std::endl;
    return 0;
}

// The full check on a connection of its own: 0 sound, 1 damaged and rebuilt, 2 not checked.
int Check(const LibraryOptions& o) {
    std::string message;
    switch (Library::CheckCatalogue(CatalogueFile(o), message)) {
    case Library::CheckOutcome::Sound:
        std::cout << "the catalogue is sound" << std::endl;
        return 0;
    case Library::CheckOutcome::Rebuilt:
        std::cout << message << std::endl;
        std::cerr << "note: run \"corvane library scan\" to fill it" << std::endl;
        return 1;
    case Library::CheckOutcome::Failed:
        break;
    }
    std::cerr << "corvane: " << message << std::endl;
    return 2;
}

using Body = int (*)(CCatalogue&, const LibraryOptions&);

// The options live as long as the callbacks that hold them, which the parser keeps.
CLI::App* Sub(CLI::App& parent, std::function<int()>& run, const char* name, const char* about,
              Body body, const std::shared_ptr<LibraryOptions>& options) {
    CLI::App* command = parent.add_subcommand(name, about);
    command->callback([&run, body, options] {
        run = [body, options] {
            const std::unique_ptr<CCatalogue> catalogue = OpenCatalogue(*options);
            return catalogue != nullptr ? body(*catalogue, *options) : 2;
        };
    });
    return command;
}

void AddEntryArguments(CLI::App* command, LibraryOptions& o) {
    command->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    command->add_option("KIND", o.kind, "patch, tone or wave")->required();
    command->add_option("N", o.number, "The entry's number")->required();
}

} // namespace

void AddLibraryCommand(CLI::App& app, std::function<int()>& run) {
    const auto options = std::make_shared<LibraryOptions>();
    LibraryOptions& o = *options;
    CLI::App* library = app.add_subcommand(
        "library", "The catalogue of every project under the folders you add: search, tags, "
                   "favourites and duplicates across all of them");
    library->require_subcommand(1);
    library->add_option("--library", o.file,
                        "The catalogue file (default: CORVANE_LIBRARY, else library.sqlite3 in "
                        "the program's data folder)");
    Sub(*library, run, "add", "Add folders whose projects the catalogue holds", Add, options)
        ->add_option("DIR", o.folders, "Folders")
        ->required();
    Sub(*library, run, "remove", "Remove a folder and forget its projects, or forget a project",
        Remove, options)
        ->add_option("DIR", o.folders, "A folder added, or a project folder")
        ->required()
        ->expected(1);
    Sub(*library, run, "scan", "Bring the catalogue up to date with the folders", Scan, options)
        ->add_flag("--full", o.full, "Read every project again, changed or not");
    CLI::App* search = Sub(*library, run, "search",
                           "Find entries whose names or memos hold the words (as words or word "
                           "beginnings; letter case and accents ignored)",
                           Search, options);
    search->add_option("QUERY", o.query, "Words; \"\" for every entry")->required();
    search->add_option("--kind", o.kind, "patch, tone or wave");
    search->add_option("--tag", o.tag, "Only entries with this tag");
    search->add_option("--project", o.project, "Only entries of this project folder");
    search->add_flag("--favourite", o.favourites, "Only favourites");
    search->add_flag("--used", o.used, "Only tones a patch plays and waves a tone plays");
    search->add_flag("--unused", o.unused, "Only tones no patch plays and waves no tone plays");
    search->add_flag("--dupes", o.duplicated, "Only sounds that are also somewhere else");
    search->add_flag("--json", o.json, "Print a JSON array");
    CLI::App* dupes =
        Sub(*library, run, "dupes", "Show groups of entries with the same content", Dupes, options);
    dupes->add_option("--kind", o.kind, "patch, tone or wave");
    dupes->add_flag("--json", o.json, "Print a JSON array");
    CLI::App* tag = Sub(*library, run, "tag", "Tag an entry's sound (in every copy)", Tag, options);
    AddEntryArguments(tag, o);
    tag->add_option("TAG", o.tag, "The tag")->required();
    tag->add_flag("--remove", o.remove, "Take the tag off");
    CLI::App* favourite =
        Sub(*library, run, "favourite", "Mark an entry's sound as a favourite", Favourite, options);
    AddEntryArguments(favourite, o);
    favourite->add_flag("--remove", o.remove, "Unmark it");
    CLI::App* tags = library->add_subcommand("tags", "Export or import roots, tags and favourites");
    tags->require_subcommand(1);
    Sub(*tags, run, "export", "Write them to FILE as JSON", ExportTags, options)
        ->add_option("FILE", o.path, "The JSON file")
        ->required();
    Sub(*tags, run, "import", "Add those of FILE", ImportTags, options)
        ->add_option("FILE", o.path, "The JSON file")
        ->required();
    library
        ->add_subcommand("check", "Check the whole catalogue file; a damaged one is set aside and "
                                  "made anew with the roots, tags and favourites of its export")
        ->callback([&run, options] { run = [options] { return Check(*options); }; });
    Sub(*library, run, "stats", "Count projects, offline projects, entries and tags", Stats,
        options)
        ->add_flag("--json", o.json, "Print a JSON object");
}

} // namespace Corv::Cli
