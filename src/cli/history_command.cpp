#include "cli/history_command.h"

#include "cli/arguments.h"
#include "cli/diff_command.h"
#include "cli/json_dump.h"
#include "cli/session.h"
#include "cli/terminal_text.h"
#include "history/folder_state.h"
#include "history/recorder.h"
#include "history/version_access.h"
#include "storage/domain.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

namespace Corv::Cli {

namespace {

using namespace Corv::History;

// Everything the history commands take from the command line.
struct HistoryOptions {
    std::string folder; // --history
    std::string project;
    std::string version;
    std::string against;
    std::string target;
    std::size_t keep = Retention{}.keep;
    bool json = false;
    bool dryRun = false;
};

std::string HistoryFolder(const HistoryOptions& o) {
    const std::string folder = o.folder.empty() ? DefaultHistoryFolder() : AbsolutePath(o.folder);
    if (folder.empty())
        throw UsageError("no history folder: give --history DIR or set CORVANE_HISTORY");
    return folder;
}

std::string Project(const HistoryOptions& o) {
    if (!std::filesystem::is_directory(o.project))
        throw UsageError(o.project + " is not a folder");
    return AbsolutePath(o.project);
}

int VersionNumber(const std::string& text) {
    return NumberArgument(text, 1, 999999999, "version");
}

// "1.2 KB" for people.
std::string SizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    const double kb = static_cast<double>(bytes) / 1024.0;
    char text[32];
    std::snprintf(text, sizeof text, kb < 1024 ? "%.1f KB" : "%.1f MB", kb < 1024 ? kb : kb / 1024);
    return text;
}

// A session whose saves keep their versions in the history the options name.
struct HistorySession {
    explicit HistorySession(const HistoryOptions& o, AnswerPolicy policy) : session(policy) {
        std::string error;
        if (!session.Start(error))
            throw UsageError(error);
        recorder = InstallRecorder(CDomain::Get(), HistoryFolder(o), CORV_VERSION);
    }
    ~HistorySession() {
        if (recorder != nullptr) // the head of its last save is written before the command ends
            recorder->WaitForBackground();
    }
    HistorySession(const HistorySession&) = delete;
    HistorySession& operator=(const HistorySession&) = delete;
    CSession session;
    CHistoryRecorder* recorder = nullptr;
};

int List(const HistoryOptions& o) {
    const CHistoryStore store(HistoryFolder(o));
    const std::vector<VersionInfo> versions = store.List(Project(o));
    if (o.json) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const VersionInfo& v : versions) {
            nlohmann::ordered_json item = {{"id", std::to_string(v.id)},
                                           {"time", v.time},
                                           {"summary", v.summary},
                                           {"bytes", v.storedBytes}};
            item["note"] = v.note;
            item["damaged"] = v.problem;
            array.push_back(std::move(item));
        }
        std::cout << WriteJson(array) << std::endl;
    } else {
        for (const VersionInfo& v : versions) {
            if (!v.problem.empty()) {
                std::cout << v.id << "  damaged: " << v.problem << '\n';
                continue;
            }
            std::cout << v.id << "  " << v.time << "  " << SizeText(v.storedBytes) << "  "
                      << ShownText(v.summary) << (v.note.empty() ? "" : "  (" + v.note + ")")
                      << '\n';
        }
        std::cout << std::flush;
    }
    return versions.empty() ? 1 : 0;
}

void PrintDifferences(const std::vector<ProjectDifference>& differences, bool json) {
    if (json) {
        std::cout << DifferencesJson(differences) << '\n';
    } else {
        for (ProjectDifference d : differences) {
            d.before = ShownText(d.before);
            d.after = ShownText(d.after);
            std::cout << DifferenceLine(d) << '\n';
        }
    }
    std::cout << std::flush;
}

int Show(const HistoryOptions& o) {
    const int id = VersionNumber(o.version);
    const int against = o.against.empty() ? 0 : VersionNumber(o.against);
    HistorySession run(o, AnswerPolicy::Negative);
    std::vector<ProjectDifference> differences;
    std::string why;
    if (!VersionDifferences(run.recorder->Store(), Project(o), id, against,
                            run.session.WorkFolder(), differences, why)) {
        std::cerr << "corvane: " << why << std::endl;
        return 2;
    }
    PrintDifferences(differences, o.json);
    return differences.empty() ? 0 : 1;
}

int Restore(const HistoryOptions& o) {
    const int id = VersionNumber(o.version);
    // The restore is asked for by name: the question whether to replace the project is
    // answered yes.
    HistorySession run(o, AnswerPolicy::Affirmative);
    std::vector<ProjectDifference> changes;
    std::string why;
    const RestoreOutcome outcome = RestoreVersion(*run.recorder, Project(o), id,
                                                  run.session.WorkFolder(), o.dryRun, changes, why);
    switch (outcome) {
    case RestoreOutcome::Failed:
        std::cerr << "corvane: " << why << std::endl;
        return 2;
    case RestoreOutcome::NothingToDo:
        std::cerr << "corvane: the project is version " << id << " already" << std::endl;
        return 1;
    case RestoreOutcome::Previewed:
    case RestoreOutcome::Restored:
        PrintDifferences(changes, false);
        break;
    }
    run.session.Finish();
    return run.session.ErrorCount() == 0 ? 0 : 1;
}

int Export(const HistoryOptions& o) {
    const int id = VersionNumber(o.version);
    const CHistoryStore store(HistoryFolder(o));
    std::vector<std::string> missing;
    std::string why;
    if (ExportVersion(store, Project(o), id, AbsolutePath(o.target), missing, why))
        return 0;
    for (const std::string& file : missing)
        std::cout << "missing " << file << '\n';
    std::cout << std::flush;
    std::cerr << "corvane: " << why << std::endl;
    return missing.empty() ? 2 : 1;
}

// A history that cannot be locked for changes: exit status 2.
int CannotOpen(const CHistoryStore& store) {
    std::cerr << "corvane: the history " << store.Folder() << " cannot be opened" << std::endl;
    return 2;
}

int Prune(const HistoryOptions& o) {
    CHistoryStore store(HistoryFolder(o));
    const auto lock = store.Lock();
    if (!lock)
        return CannotOpen(store);
    const int dropped = store.Prune(Project(o), Retention{o.keep, Retention{}.maxBytes});
    std::cout << "dropped " << dropped << (dropped == 1 ? " version" : " versions") << std::endl;
    return 0;
}

// A project moved to another folder takes along the history its content matches.
int Attach(const HistoryOptions& o) {
    CHistoryStore store(HistoryFolder(o));
    const auto lock = store.Lock();
    if (!lock)
        return CannotOpen(store);
    const std::string project = CanonicalProjectFolder(Project(o));
    if (!store.List(project).empty()) {
        std::cerr << "corvane: " << project << " has a history of its own" << std::endl;
        return 1;
    }
    std::vector<FileEntry> files;
    std::string why;
    if (!DescribeFiles(project, {}, files, why)) {
        std::cerr << "corvane: " << why << std::endl;
        return 2;
    }
    const std::string from = store.FindMovedProject(project, files);
    if (from.empty()) {
        std::cerr << "corvane: no history matches the content of " << project << std::endl;
        return 1;
    }
    const std::size_t versions = store.List(from).size();
    if (!store.Attach(from, project)) {
        std::cerr << "corvane: the history of " << from << " cannot be moved" << std::endl;
        return 2;
    }
    std::cout << "attached the history of " << from << " (" << versions
              << (versions == 1 ? " version)" : " versions)") << std::endl;
    return 0;
}

} // namespace

void AddHistoryCommand(CLI::App& app, std::function<int()>& run) {
    const auto options = std::make_shared<HistoryOptions>();
    HistoryOptions& o = *options;
    CLI::App* history = app.add_subcommand(
        "history", "The versions of a project that its saves kept: list them (newest first), "
                   "compare, write out, restore or prune them");
    history->add_option("--history", o.folder,
                        "The history folder (default: CORVANE_HISTORY, else History in the "
                        "program's data folder)");
    history->add_option("PROJECT", o.project, "Project folder (.prj)");
    history->add_flag("--json", o.json, "Print a JSON array");
    history->callback([&run, options, history] {
        if (history->get_subcommands().empty()) {
            if (options->project.empty())
                throw UsageError("history needs a project folder");
            run = [options] { return List(*options); };
        }
    });
    auto sub = [&](const char* name, const char* about, int (*body)(const HistoryOptions&)) {
        CLI::App* command = history->add_subcommand(name, about);
        command->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
        command->callback(
            [&run, options, body] { run = [options, body] { return body(*options); }; });
        return command;
    };
    CLI::App* show = sub("show",
                         "Print how version V differs from the project now (or from "
                         "version W); exit status 0 when equal, 1 when different",
                         Show);
    show->add_option("V", o.version, "The version's number")->required();
    show->add_option("--against", o.against, "Compare with this version instead");
    show->add_flag("--json", o.json, "Print the differences as a JSON array");
    CLI::App* restore = sub("restore",
                            "Make the project version V again (the project as it is "
                            "now becomes a version of its own)",
                            Restore);
    restore->add_option("V", o.version, "The version's number")->required();
    restore->add_flag("--dry-run", o.dryRun, "Print what the restore would change, change nothing");
    CLI::App* exported = sub("export", "Write version V as a project folder DIR", Export);
    exported->add_option("V", o.version, "The version's number")->required();
    exported->add_option("DIR", o.target, "A folder that does not exist yet")->required();
    CLI::App* prune = sub("prune", "Drop the oldest versions beyond the newest N", Prune);
    prune->add_option("--keep", o.keep, "How many versions to keep (default 50)");
    sub("attach",
        "Give a moved project the history of the folder it came from, found by its content "
        "(most of its files); the history leaves the old folder",
        Attach);
}

} // namespace Corv::Cli
