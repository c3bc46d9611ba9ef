#include "cli/commands.h"

#include "cli/actions.h"
#include "cli/arguments.h"
#include "cli/check.h"
#include "cli/code_page.h"
#include "cli/demo_project.h"
#include "cli/diff_command.h"
#include "cli/history_command.h"
#include "cli/json_dump.h"
#include "cli/library_command.h"
#include "cli/listing.h"
#include "cli/script.h"
#include "cli/session.h"
#include "cli/standard_output.h"
#include "cli/terminal_text.h"
#include "cli/wave_command.h"
#include "edit/cell_edit.h"
#include "edit/drop.h"
#include "edit/find.h"
#include "model/text_encoding.h"
#include "storage/project_document.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <unistd.h>

namespace Corv::Cli {

namespace {

// Everything the one-shot commands take from the command line.
struct Options {
    std::string project;
    std::string source;
    std::string target;
    std::string kind;
    std::string rows;
    std::string row;
    std::string at;
    std::string memo;
    std::string text;
    std::string folder;
    std::string script;
    std::vector<std::string> files;
    bool all = false;
    bool insert = false;
    bool yes = false;
    bool dryRun = false;
    bool full = false;
    bool json = false;
    std::uint32_t seed = 1;
    CleanOptions clean;
};

// Without --yes a question is asked on the terminal, or declined when no one can answer.
AnswerPolicy PolicyFor(bool yes) {
    if (yes)
        return AnswerPolicy::Affirmative;
    return ::isatty(STDIN_FILENO) != 0 ? AnswerPolicy::Terminal : AnswerPolicy::Negative;
}

void Print(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        std::cout << line << '\n';
    std::cout << std::flush;
}

// Runs a command body in a session; 1 when the body reports failure or any error was printed,
// also while the work folder was being emptied at the end.
int WithSession(AnswerPolicy policy, const std::function<bool(CSession&)>& body) {
    CSession session(policy);
    std::string error;
    if (!session.Start(error)) {
        std::cerr << "corvane: " << error << std::endl;
        return 1;
    }
    const bool succeeded = body(session);
    session.Finish();
    return succeeded && session.ErrorCount() == 0 ? 0 : 1;
}

// Opens a project and runs an edit on it; the edit saves when it succeeded.
int EditProject(const Options& o, const std::function<bool(CProjectDocument&)>& edit) {
    return WithSession(PolicyFor(o.yes), [&](CSession& session) {
        // Held exclusively from load to save: no other program saves it in between.
        CProjectDocument* document = session.Open(o.project, LockMode::Exclusive);
        return document != nullptr && edit(*document) && Save(*document);
    });
}

int Info(const Options& o) {
    return WithSession(PolicyFor(false), [&](CSession& session) {
        const CProjectDocument* document = session.Open(o.project);
        if (document != nullptr)
            Print(ShownLines(InfoLines(*document), true));
        return document != nullptr;
    });
}

int List(const Options& o) {
    const int kind = KindArgument(o.kind);
    return WithSession(PolicyFor(false), [&](CSession& session) {
        const CProjectDocument* document = session.Open(o.project);
        if (document != nullptr)
            Print(ShownLines(ListLines(document->Data(), kind, o.all), false));
        return document != nullptr;
    });
}

int Dump(const Options& o) {
    return WithSession(PolicyFor(false), [&](CSession& session) {
        const CProjectDocument* document = session.Open(o.project);
        if (document != nullptr)
            std::cout << DumpProject(*document) << std::endl;
        return document != nullptr;
    });
}

int Check(const Options& o) {
    return WithSession(PolicyFor(false), [&](CSession& session) {
        const CProjectDocument* document = session.Open(o.project);
        const std::vector<std::string> problems =
            document != nullptr ? CheckProject(*document) : DiagnoseFolder(AbsolutePath(o.project));
        Print(ShownLines(problems, true));
        const bool sound = document != nullptr && problems.empty();
        std::cout << (sound ? std::string("ok") : "problems " + std::to_string(problems.size()))
                  << std::endl;
        return sound;
    });
}

// The rows of the entries whose names or memos hold the text; with every kind searched, each
// kind that has hits is introduced by a line "patches N", "tones N" or "waves N".
std::vector<std::string> FindLines(const CLumData& data, const std::vector<FindHit>& hits,
                                   bool headings) {
    static const char* const kHeadings[] = {"patches ", "tones ", "waves "};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const int kind = hits[i].kind;
        if (headings && (i == 0 || hits[i - 1].kind != kind)) {
            const auto count = std::count_if(
                hits.begin(), hits.end(), [kind](const FindHit& hit) { return hit.kind == kind; });
            lines.push_back(kHeadings[kind] + std::to_string(count));
        }
        lines.push_back(ListRow(data, kind, hits[i].slot));
    }
    return lines;
}

// Exit status 1 when nothing holds the text (like grep), so that scripts can test for a hit.
int Find(const Options& o) {
    const KindSet kinds = o.kind.empty() ? KindSet::All() : KindSet::Of(KindArgument(o.kind));
    if (o.text.empty())
        throw UsageError("the search text is empty");
    const std::string text = TypedText(o.text, "search text");
    // A character the code page cannot hold is in no name or memo; left out, it would let the
    // rest of the text find what was not asked for.
    const bool holdable = !Utf8Locale() || CodePageHolds(o.text);
    if (!holdable)
        std::cerr << "note: the code page " << CodePageName(CurrentCodePage())
                  << " cannot hold every character of \"" << o.text
                  << "\", so no name or memo holds it" << std::endl;
    bool found = false;
    const int status = WithSession(PolicyFor(false), [&](CSession& session) {
        const CProjectDocument* document = session.Open(o.project);
        if (document == nullptr)
            return false;
        const std::vector<FindHit> hits =
            holdable ? FindHits({&document->Data()}, text, kinds) : std::vector<FindHit>{};
        Print(ShownLines(FindLines(document->Data(), hits, kinds.IsAll()), false));
        found = !hits.empty();
        return true;
    });
    return status == 0 && !found ? 1 : status;
}

int Transfer(const Options& o, bool copy) {
    const int kind = KindArgument(o.kind);
    const std::vector<int> rows = RowsArgument(o.rows, kind);
    const int at = RowArgument(o.at, kind);
    if (!o.dryRun) // the dry run says it in its preview line
        CheckDropBlock(at, rows.size(), kind);
    return WithSession(PolicyFor(o.yes), [&](CSession& session) {
        // What the command saves is held exclusively from load to save.
        const auto mode = [&](bool saved) {
            return saved && !o.dryRun ? LockMode::Exclusive : LockMode::Shared;
        };
        CProjectDocument* source = session.Open(o.source, mode(!copy));
        CProjectDocument* target = source != nullptr ? session.Open(o.target, mode(true)) : nullptr;
        if (target != nullptr && o.dryRun) {
            const DropPreview preview =
                PreviewDropOf(*source, kind, rows, *target, at, o.insert, copy,
                              FolderName(*target, o.target), FolderName(*source, o.source));
            Print({PreviewLine(preview)});
            return preview.accepted;
        }
        if (target == nullptr || !Drop(*source, kind, rows, *target, at, o.insert, copy))
            return false;
        // The target first: should its save fail, the source keeps the files on disk.
        if (!Save(*target))
            return false;
        return copy || source == target || Save(*source);
    });
}

int DeleteRows(const Options& o) {
    const int kind = KindArgument(o.kind);
    const std::vector<int> rows = RowsArgument(o.rows, kind);
    return EditProject(o, [&](CProjectDocument& d) { return Delete(d, kind, rows); });
}

int RenameRow(const Options& o) {
    const int kind = KindArgument(o.kind);
    const int row = RowArgument(o.row, kind);
    const std::string name = TypedText(o.text, "name");
    return EditProject(o, [&](CProjectDocument& d) { return Rename(d, kind, row, name, o.text); });
}

int MemoRow(const Options& o) {
    const int kind = KindArgument(o.kind);
    const int row = RowArgument(o.row, kind);
    const int memo = NumberArgument(o.memo, 1, 4, "memo number");
    // A memo typed in a UTF-8 locale is made fit for its line as the desktop program makes it.
    const std::string text = Utf8Locale() ? StoredMemo(TypedText(o.text, "memo text")) : o.text;
    return EditProject(o, [&](CProjectDocument& d) { return SetMemo(d, kind, row, memo, text); });
}

int CleanCommand(const Options& o) {
    if (o.dryRun)
        return WithSession(PolicyFor(false), [&](CSession& session) {
            const CProjectDocument* document = session.Open(o.project);
            if (document != nullptr)
                Print(CleanPreviewLines(*document, o.clean));
            return document != nullptr;
        });
    return EditProject(o, [&](CProjectDocument& d) { return Clean(d, o.clean); });
}

int ImportFiles(const Options& o) {
    std::vector<std::string> files;
    for (const std::string& file : o.files)
        files.push_back(AbsolutePath(file));
    return EditProject(o, [&](CProjectDocument& d) { return Import(d, files); });
}

int SaveProjectAs(const Options& o) {
    return WithSession(PolicyFor(o.yes), [&](CSession& session) {
        CProjectDocument* document = session.Open(o.project);
        return document != nullptr && SaveAs(*document, AbsolutePath(o.folder));
    });
}

int Demo(const Options& o) {
    if (!IsProjectFolderName(o.folder))
        throw UsageError("the demo folder's name must end in .prj");
    DemoOptions demo;
    demo.seed = o.seed;
    demo.full = o.full;
    std::string error;
    if (!WriteDemoProject(AbsolutePath(o.folder), demo, error)) {
        std::cerr << "corvane: " << error << std::endl;
        return 1;
    }
    return 0;
}

int RunScript(const Options& o) {
    std::ifstream file;
    if (!o.script.empty()) {
        file.open(o.script, std::ios::binary);
        if (!file)
            throw UsageError("cannot read the script " + o.script);
    }
    CSession session(AnswerPolicy::Affirmative);
    std::string error;
    if (!session.Start(error)) {
        std::cerr << "corvane: " << error << std::endl;
        return 1;
    }
    CScript script(session);
    const int status = script.Run(o.script.empty() ? std::cin : file,
                                  o.script.empty() ? std::string("stdin") : o.script);
    const int errorsBefore = session.ErrorCount();
    session.Finish();
    return status == 0 && session.ErrorCount() != errorsBefore ? 1 : status;
}

using Runner = std::function<int()>;

// How a text argument is read, for the help of each command that takes one.
constexpr const char* kTypedText = "; UTF-8 in a UTF-8 locale, else the code page's bytes";

CLI::App* Command(CLI::App& app, Runner& run, const char* name, const char* about,
                  std::function<int(const Options&)> body, const Options& o) {
    CLI::App* command = app.add_subcommand(name, about);
    command->callback([&run, body, &o] { run = [body, &o] { return body(o); }; });
    return command;
}

void AddReadCommands(CLI::App& app, Runner& run, Options& o) {
    CLI::App* info = Command(app, run, "info",
                             "Show the folder, the used patches, tones and waves, the wave bytes, "
                             "rejected files and missing files",
                             Info, o);
    info->add_option("PROJECT", o.project, "Project folder (.prj)")->required();

    CLI::App* list = Command(app, run, "list",
                             "Show a list as the desktop program does: number, name, tone "
                             "switches (patches), memos, and '>' before a used tone or wave",
                             List, o);
    list->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    list->add_option("KIND", o.kind, "patch, tone or wave")->required();
    list->add_flag("--all", o.all, "Show the empty slots too");

    CLI::App* dump = Command(app, run, "dump", "Print the project as JSON on one line", Dump, o);
    dump->add_option("PROJECT", o.project, "Project folder (.prj)")->required();

    CLI::App* check = Command(app, run, "check",
                              "Report dangling references, missing and rejected files, files that "
                              "are not regular files, back references that disagree and wave bytes "
                              "over the limit; exit status 1 when anything is wrong",
                              Check, o);
    check->add_option("PROJECT", o.project, "Project folder (.prj)")->required();

    CLI::App* diff = Command(
        app, run, "diff",
        "Compare two project folders slot by slot, one line per difference; exit status 0 when "
        "equal, 1 when different, 2 when a folder cannot be loaded",
        [](const Options& options) {
            return DiffFolders(options.source, options.target, options.json);
        },
        o);
    diff->add_option("A", o.source, "The first project folder (.prj)")->required();
    diff->add_option("B", o.target, "The second project folder (.prj); may be A")->required();
    diff->add_flag("--json", o.json, "Print the differences as a JSON array");
    CLI::App* find = Command(app, run, "find",
                             "Show the entries whose name or memos hold TEXT (letter case "
                             "ignored) as the list does; exit status 1 when there is none",
                             Find, o);
    find->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    find->add_option("TEXT", o.text, std::string("The text to look for") + kTypedText)->required();
    find->add_option("--kind", o.kind, "patch, tone or wave (default: all three)");
}

void AddTransferCommand(CLI::App& app, Runner& run, Options& o, const char* name, bool copy) {
    CLI::App* command = Command(
        app, run, name,
        copy ? "Drag ROWS of SRC's list onto DST at AT as a copy, then save DST"
             : "Drag ROWS of SRC's list onto DST at AT as a move, then save both",
        [copy](const Options& options) { return Transfer(options, copy); }, o);
    command->add_option("SRC", o.source, "Source project folder")->required();
    command->add_option("KIND", o.kind, "patch, tone or wave")->required();
    command->add_option("ROWS", o.rows, "Rows, e.g. 3,5-7,12 (in selection order)")->required();
    command->add_option("DST", o.target, "Target project folder (may be SRC)")->required();
    command->add_option("AT", o.at, "The first target row")->required();
    command->add_flag("--insert", o.insert, "Insert in front of AT instead of overwriting");
    command->add_flag("--yes", o.yes, "Answer every question with OK/Yes");
    command->add_flag("--dry-run", o.dryRun,
                      "Print what the drop would do (\"preview ok: ...\") or why it would be "
                      "refused (\"preview refused: ...\") and change nothing; exit status 1 when "
                      "refused");
}

void AddEditCommands(CLI::App& app, Runner& run, Options& o) {
    AddTransferCommand(app, run, o, "copy", true);
    AddTransferCommand(app, run, o, "move", false);

    CLI::App* del = Command(app, run, "delete", "Delete ROWS of a list, then save", DeleteRows, o);
    del->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    del->add_option("KIND", o.kind, "patch, tone or wave")->required();
    del->add_option("ROWS", o.rows, "Rows, e.g. 3,5-7,12")->required();
    del->add_flag("--yes", o.yes, "Answer \"OK to delete?\" with OK");

    CLI::App* rename =
        Command(app, run, "rename", "Set the name of one entry, then save", RenameRow, o);
    rename->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    rename->add_option("KIND", o.kind, "patch, tone or wave")->required();
    rename->add_option("ROW", o.row, "The row")->required();
    rename
        ->add_option("NAME", o.text,
                     std::string("The new name (filtered, at most 12 characters kept)") +
                         kTypedText)
        ->required();

    CLI::App* memo =
        Command(app, run, "memo", "Set memo N (1-4) of one entry, then save", MemoRow, o);
    memo->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    memo->add_option("KIND", o.kind, "patch, tone or wave")->required();
    memo->add_option("ROW", o.row, "The row")->required();
    memo->add_option("N", o.memo, "Memo number, 1 to 4")->required();
    memo->add_option("TEXT", o.text, std::string("The memo text") + kTypedText)->required();
}

void AddProjectCommands(CLI::App& app, Runner& run, Options& o) {
    CLI::App* clean = Command(
        app, run, "clean", "Clean Project (drop unused tones and waves, close the gaps), then save",
        CleanCommand, o);
    clean->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    clean->add_flag("--keep-unused-waves", o.clean.keepUnusedWaves, "Keep unused user waves");
    clean->add_flag("--keep-unused-tones", o.clean.keepUnusedTones, "Keep unused user tones");
    clean->add_flag("--keep-tone-numbering", o.clean.keepToneNumbering, "Keep tone numbering");
    clean->add_flag("--keep-patch-numbering", o.clean.keepPatchNumbering, "Keep patch numbering");
    clean->add_flag("--dry-run", o.dryRun,
                    "Print what the clean would do (a summary line, then one line per entry "
                    "that moves or goes) and change nothing");

    CLI::App* import =
        Command(app, run, "import",
                "Import audio files (.wav, .aif, .aiff, .vpw) as waves, then save", ImportFiles, o);
    import->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    import->add_option("FILE", o.files, "Files to import")->required();

    CLI::App* saveAs =
        Command(app, run, "save-as", "Save the project into another folder", SaveProjectAs, o);
    saveAs->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
    saveAs->add_option("NEWFOLDER", o.folder, "The folder to save into (.prj)")->required();
    saveAs->add_flag("--yes", o.yes, "Replace an existing project without asking");

    CLI::App* demo =
        Command(app, run, "demo", "Write a synthetic demo project into a new folder", Demo, o);
    demo->add_option("NEWFOLDER", o.folder, "The new project folder (.prj)")->required();
    demo->add_option("--seed", o.seed, "Seed of the generator (default 1)");
    demo->add_flag("--full", o.full, "Fill every slot; the waves sum to just under 64 MB");

    CLI::App* script =
        Command(app, run, "script", "Run a script from FILE or standard input (see the manual)",
                RunScript, o);
    script->add_option("FILE", o.script, "Script file; standard input when not given");
}

// The commands in the order of --help, for the message about an unknown one.
std::string CommandNames(CLI::App& app) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + command->get_name();
    return names;
}

// The first argument that is not an option names the command. CLI11 would only say that a
// command is required; the user is told which word was not one, and what the commands are.
void CheckCommandName(CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.empty() || word.front() == '-')
            continue;
        const auto commands =
            app.get_subcommands([&](const CLI::App* c) { return c->check_name(word); });
        if (commands.empty())
            throw UsageError("unknown command \"" + word +
                             "\"; the commands are: " + CommandNames(app));
        return;
    }
}

int RunArguments(int argc, char** argv) {
    CLI::App app("corvane: the command-line face of Corvane Librarian", "corvane");
    app.set_version_flag("--version", std::string("corvane ") + CORV_VERSION,
                         "Print the version and exit");
    app.require_subcommand(1);
    app.footer("Texts: in a UTF-8 locale (the first of LC_ALL, LC_CTYPE and LANG that is set) "
               "list, find, info, check and diff print names and memos as UTF-8, and rename, "
               "memo and find take UTF-8 text; elsewhere texts pass as the code page's bytes. "
               "dump, --json and scripts always pass the bytes as they are.");
    Options options;
    Runner run;
    AddReadCommands(app, run, options);
    AddEditCommands(app, run, options);
    AddProjectCommands(app, run, options);
    AddLibraryCommand(app, run);
    AddHistoryCommand(app, run);
    AddWaveCommands(app, run);
    try {
        CheckCommandName(app, argc, argv);
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& error) {
            const int code = app.exit(error);
            return code == 0 ? 0 : 2;
        }
        ChooseCodePage();
        return run ? run() : 2;
    } catch (const UsageError& error) {
        std::cout << std::flush;
        std::cerr << "corvane: " << error.what() << std::endl;
        return 2;
    } catch (const Refusal& refusal) {
        std::cout << std::flush;
        std::cerr << "corvane: " << refusal.what() << std::endl;
        return 1;
    }
}

} // namespace

int RunCommandLine(int argc, char** argv) {
    CStandardOutput output;
    const int status = RunArguments(argc, argv);
    const int error = output.Finish();
    if (error == 0)
        return status;
    // A reader that went away (`corvane dump P | head -c 100`) needs no word about it.
    if (error != EPIPE)
        std::cerr << "corvane: cannot write to standard output: " << std::strerror(error)
                  << std::endl;
    return 2;
}

} // namespace Corv::Cli
