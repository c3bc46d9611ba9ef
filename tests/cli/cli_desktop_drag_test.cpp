// The desktop program driven with the real pointer and keyboard on a virtual X server: a patch is
// renamed through the right button's menu, a wave copied with Ctrl+C and pasted into the other
// project with Ctrl+V, rows are dragged with xdotool (a block within a list, patches into another
// project, tones with Ctrl, a Shift insert), both projects are saved with Ctrl+S and the program
// is left through its menu;
// the folders it saved must be byte for byte what `corvane script` makes of the same drops. A
// patch deleted and saved is taken back from a version opened read-only from the history.
#include "cli_fixture.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace CorvCliTest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// One list of a project window on the screen, as the program describes it (CORV_LAYOUT_FILE).
struct ListPlace {
    int x = 0, y = 0, width = 0, height = 0, rowHeight = 0, topRow = 0, nameX = 0;
    // The middle of a row (0-based) on the screen.
    std::pair<int, int> Row(int row) const {
        return {nameX + x, y + (row - topRow) * rowHeight + rowHeight / 2};
    }
};

struct Layout {
    std::map<std::string, std::array<ListPlace, 3>> lists; // by window title
    std::map<std::string, bool> modified;
    bool modal = false;
    bool history = false; // a history window shows
    ListPlace library;    // the library window's results (height 0: not shown)
    int results = 0;
};

Layout ParseLayout(const std::string& text) {
    Layout layout;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string what, title;
        words >> what;
        if (what == "modal") {
            words >> layout.modal;
        } else if (what == "history") {
            words >> layout.history;
        } else if (what == "window") {
            int modified = 0;
            words >> title >> modified;
            layout.modified[title] = modified != 0;
        } else if (what == "library") {
            ListPlace& place = layout.library;
            words >> place.x >> place.y >> place.width >> place.height >> place.rowHeight >>
                layout.results >> place.nameX;
        } else if (what == "list") {
            int kind = 0;
            ListPlace place;
            words >> title >> kind >> place.x >> place.y >> place.width >> place.height >>
                place.rowHeight >> place.topRow >> place.nameX;
            if (kind >= 0 && kind < 3)
                layout.lists[title][static_cast<std::size_t>(kind)] = place;
        }
    }
    return layout;
}

// A virtual X server and the desktop program on it, with a home of their own.
class Desktop {
public:
    explicit Desktop(const std::string& root) : m_root(root) {
        fs::create_directories(m_root + "/home/runtime");
        fs::permissions(m_root + "/home/runtime", fs::perms::owner_all);
        RunShell("Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>" +
                 ShellQuoted(m_root + "/display") + " >/dev/null 2>&1 & echo $! >" +
                 ShellQuoted(m_root + "/xvfb.pid"));
        // Whatever ends this test (a failed check, a crash, a time-out's kill), a watchdog ends
        // the server and the program once the test's process is gone.
        const std::string pids = "$(cat " + ShellQuoted(m_root + "/xvfb.pid") + " " +
                                 ShellQuoted(m_root + "/program.pid") + " 2>/dev/null)";
        RunShell("(while kill -0 " + std::to_string(::getpid()) +
                 " 2>/dev/null; do sleep 1; done; kill " + pids +
                 " 2>/dev/null) >/dev/null 2>&1 </dev/null &");
        for (int i = 0; i < 100 && m_display.empty(); ++i) {
            std::this_thread::sleep_for(50ms);
            const std::string number = ReadText(m_root + "/display");
            if (!number.empty() && number.back() == '\n')
                m_display = ":" + number.substr(0, number.size() - 1);
        }
    }
    ~Desktop() {
        // The program first, then its server; each is waited for (killed outright after 2 s),
        // so that nothing this test started outlives it.
        for (const char* pid : {"/program.pid", "/xvfb.pid"}) {
            const std::string file = ShellQuoted(m_root + pid);
            RunShell("p=$(cat " + file +
                     " 2>/dev/null); [ -n \"$p\" ] || exit 0; kill $p 2>/dev/null; "
                     "for i in $(seq 20); do kill -0 $p 2>/dev/null || exit 0; sleep 0.1; done; "
                     "kill -9 $p 2>/dev/null");
        }
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool Ready() const { return !m_display.empty(); }
    std::string Environment() const {
        const std::string home = m_root + "/home";
        // The program draws on the virtual display, whatever platform the test itself was
        // started with (the planted-fault runs start every test program offscreen).
        return "env QT_QPA_PLATFORM=xcb DISPLAY=" + m_display + " HOME=" + ShellQuoted(home) +
               " XDG_CONFIG_HOME=" + ShellQuoted(home + "/config") +
               " XDG_DATA_HOME=" + ShellQuoted(home + "/data") +
               " XDG_RUNTIME_DIR=" + ShellQuoted(home + "/runtime") +
               " CORV_LAYOUT_FILE=" + ShellQuoted(m_root + "/layout") +
               (m_library.empty() ? std::string() : " CORVANE_LIBRARY=" + ShellQuoted(m_library)) +
               (m_history.empty() ? std::string() : " CORVANE_HISTORY=" + ShellQuoted(m_history)) +
               " ";
    }
    // The history folder the program keeps versions in.
    void UseHistory(const std::string& folder) { m_history = folder; }
    // The library catalogue the program uses.
    void UseLibrary(const std::string& file) { m_library = file; }
    // The program on the first project; a second start hands the second project to it.
    void Start(const std::string& first, const std::string& second = {}) {
        RunShell(Environment() + ShellQuoted(LIBRARIAN_PATH) + " " + ShellQuoted(first) + " >" +
                 ShellQuoted(m_root + "/program.log") + " 2>&1 & echo $! >" +
                 ShellQuoted(m_root + "/program.pid"));
        WaitFor([](const Layout& l) { return l.lists.size() == 1; });
        if (second.empty())
            return;
        RunShell(Environment() + ShellQuoted(LIBRARIAN_PATH) + " " + ShellQuoted(second));
        WaitFor([](const Layout& l) { return l.lists.size() == 2; });
    }
    void Xdo(const std::string& arguments) const {
        RunShell(Environment() + "xdotool " + arguments);
    }
    Layout Current() const { return ParseLayout(ReadText(m_root + "/layout")); }
    // Waits (at most 10 s) until the layout shows what `ready` looks for; true when it did.
    template <class Ready> bool WaitFor(Ready ready) const {
        for (int i = 0; i < 200; ++i) {
            if (ready(Current()))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    bool Running() const {
        return RunShell("kill -0 $(cat " + ShellQuoted(m_root + "/program.pid") + ")").status == 0;
    }
    std::string Log() const { return ReadText(m_root + "/program.log"); }

    // Presses on a row, drags it (holding `keys` once the drag is under way) onto a row of
    // another list, releases; answers a question the drop asks with its default button.
    void Drag(const ListPlace& from, int fromRow, const ListPlace& to, int toRow,
              const std::string& keys = "") const {
        const auto [x0, y0] = from.Row(fromRow);
        const auto [x1, y1] = to.Row(toRow);
        Xdo("mousemove " + std::to_string(x0) + " " + std::to_string(y0));
        std::this_thread::sleep_for(100ms);
        Xdo("mousedown 1");
        for (int step = 1; step <= 12; ++step) {
            Xdo("mousemove " + std::to_string(x0 + (x1 - x0) * step / 12) + " " +
                std::to_string(y0 + (y1 - y0) * step / 12 + (step < 12 ? 3 : 0)));
            if (step == 2 && !keys.empty())
                Xdo("keydown " + keys);
            std::this_thread::sleep_for(40ms);
        }
        Xdo("mousemove " + std::to_string(x1) + " " + std::to_string(y1));
        std::this_thread::sleep_for(250ms);
        Xdo("mouseup 1");
        if (!keys.empty())
            Xdo("keyup " + keys);
        std::this_thread::sleep_for(300ms);
        while (Current().modal) {
            Xdo("key Return");
            std::this_thread::sleep_for(300ms);
        }
    }
    // Clicks a row, and with Shift held the last row of a range: the list selects them alone.
    void Select(const ListPlace& list, int first, int last) const {
        const auto [x, y] = list.Row(first);
        Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
        if (last != first) {
            const auto [x2, y2] = list.Row(last);
            Xdo("keydown shift mousemove " + std::to_string(x2) + " " + std::to_string(y2) +
                " click 1 keyup shift");
        }
        std::this_thread::sleep_for(200ms);
    }
    // Opens the context menu of a row with the right button and picks an item by its key.
    void Menu(const ListPlace& list, int row, const std::string& key) const {
        const auto [x, y] = list.Row(row);
        Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 3");
        std::this_thread::sleep_for(400ms);
        Xdo("key " + key);
        std::this_thread::sleep_for(300ms);
    }
    // A click in a list of a window (to make it the active one; without `click`, the list has
    // the keyboard and its selection stays), then keys; answers a question they ask (Save Both,
    // when the project is the source of a move) with its default button.
    void KeysIn(const ListPlace& list, const std::string& keys, bool click = true) const {
        const auto [x, y] = list.Row(list.topRow);
        if (click)
            Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
        std::this_thread::sleep_for(200ms);
        Xdo("key " + keys);
        std::this_thread::sleep_for(300ms);
        while (Current().modal) {
            Xdo("key Return");
            std::this_thread::sleep_for(300ms);
        }
    }

private:
    std::string m_root;
    std::string m_history;
    std::string m_display;
    std::string m_library;
};

// The first `count` rows in a row that are all free slots of a kind, from `from` on.
int FreeRun(const Json& dump, const char* kind, int from, int count, int below = 40) {
    const Json& slots = dump[kind];
    for (int row = from; row + count <= below; ++row) {
        bool free = true;
        for (int i = 0; i < count; ++i)
            free = free && slots[static_cast<std::size_t>(row + i)]["empty"].get<bool>();
        if (free)
            return row;
    }
    return -1;
}

class CliDesktopDragTest : public CliTest {};

TEST_F(CliDesktopDragTest, TheMouseDoesWhatTheScriptDoes) {
    for (const char* tool : {"Xvfb", "xdotool"})
        ASSERT_EQ(RunShell(std::string("command -v ") + tool).status, 0)
            << tool << " is needed (scripts/install-deps)";
    const std::string a = ProjectPath("A"), b = ProjectPath("B");
    const std::string refA = ProjectPath("RefA"), refB = ProjectPath("RefB");
    ASSERT_EQ(RunCorvane({"demo", a, "--seed", "1"}).status, 0);
    ASSERT_EQ(RunCorvane({"demo", b, "--seed", "2"}).status, 0);
    fs::copy(a, refA, fs::copy_options::recursive);
    fs::copy(b, refB, fs::copy_options::recursive);
    const auto initialA = CorvTest::FolderSnapshot(a), initialB = CorvTest::FolderSnapshot(b);

    // Where the drops go: free rows in view, away from what the earlier drops fill.
    const Json dumpA = DumpOf(a), dumpB = DumpOf(b);
    const int blockAt = FreeRun(dumpA, "patches", 5, 2); // A patches 1-2, grabbed by 2
    const int patchAt = FreeRun(dumpB, "patches", 5, 1); // A patch 5 into B
    int toneAt = -1;                                     // A tone 2 into B, Ctrl: a move
    for (int row = 39; row >= 20 && toneAt < 0; --row)
        if (dumpB["tones"][static_cast<std::size_t>(row)]["empty"].get<bool>())
            toneAt = row;
    // A used patch to rename through the context menu, and a used wave of A pasted with the
    // keys into a free row of B.
    const auto firstUsed = [](const Json& dump, const char* kind, int from) {
        for (int row = from; row < 30; ++row)
            if (!dump[kind][static_cast<std::size_t>(row)]["empty"].get<bool>())
                return row;
        return -1;
    };
    const int renamed = firstUsed(dumpA, "patches", 2);
    const int waveFrom = firstUsed(dumpA, "waves", 0);
    const int waveAt = FreeRun(dumpB, "waves", 3, 1, 30);
    ASSERT_TRUE(blockAt > 0 && patchAt > 0 && toneAt > 0);
    ASSERT_TRUE(renamed > 0 && renamed != 4 && waveFrom >= 0 && waveAt > 0);
    ASSERT_FALSE(dumpA["patches"][4]["empty"].get<bool>() ||
                 dumpA["tones"][1]["empty"].get<bool>());

    Desktop desktop(m_temp / "desktop");
    ASSERT_TRUE(desktop.Ready()) << "no virtual X server";
    desktop.Start(a, b);
    // The main window fills the screen and the two project windows stand side by side.
    desktop.Xdo("search --onlyvisible --name '^Corvane Librarian' windowsize --sync 1580 980 "
                "windowmove 0 0 windowfocus");
    desktop.Xdo("key alt+w v");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) {
        return l.lists.size() == 2 && l.lists.at("A.prj")[0].x + 600 < l.lists.at("B.prj")[0].x &&
               l.lists.at("A.prj")[0].height > 40 * l.lists.at("A.prj")[0].rowHeight;
    })) << desktop.Log();
    const Layout layout = desktop.Current();
    const auto& listsA = layout.lists.at("A.prj");
    const auto& listsB = layout.lists.at("B.prj");

    // Rename through the right button's menu; a wave copied with Ctrl+C and pasted with Ctrl+V.
    desktop.Menu(listsA[0], renamed, "r");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modal; })) << desktop.Log();
    desktop.Xdo("key ctrl+a type --delay 20 Pointer");
    desktop.Xdo("key Return");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modified.at("A.prj"); }));
    desktop.Select(listsA[2], waveFrom, waveFrom);
    desktop.Xdo("key ctrl+c");
    desktop.Select(listsB[2], waveAt, waveAt);
    desktop.Xdo("key ctrl+v");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modified.at("B.prj"); }));

    desktop.Select(listsA[0], 0, 1);
    desktop.Drag(listsA[0], 1, listsA[0], blockAt + 1); // pressed on row 2 of the selection
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modified.at("A.prj"); }));
    desktop.Select(listsA[0], 4, 4);
    desktop.Drag(listsA[0], 4, listsB[0], patchAt);
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modified.at("B.prj"); }));
    desktop.Select(listsA[1], 1, 1);
    desktop.Drag(listsA[1], 1, listsB[1], toneAt, "ctrl");
    desktop.Select(listsB[0], 0, 0);
    desktop.Drag(listsB[0], 0, listsB[0], 4, "shift");
    // Neither window changed its size or place through the drags out of it.
    const Layout dragged = desktop.Current();
    for (const auto& [title, lists] : layout.lists)
        for (std::size_t k = 0; k < 3; ++k) {
            const ListPlace& now = dragged.lists.at(title)[k];
            EXPECT_EQ(std::tuple(now.x, now.y, now.width, now.height),
                      std::tuple(lists[k].x, lists[k].y, lists[k].width, lists[k].height))
                << title << " list " << k;
        }
    desktop.KeysIn(listsA[2], "ctrl+s");
    desktop.KeysIn(listsB[2], "ctrl+s");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) {
        return !l.modified.at("A.prj") && !l.modified.at("B.prj");
    })) << desktop.Log();
    desktop.Xdo("key alt+f x");
    for (int i = 0; i < 100 && desktop.Running(); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(desktop.Running());

    // The same drops, the rows numbered as the lists show them.
    const std::string first = std::to_string(blockAt + 1);
    RunScript({"open A " + Quoted(refA), "open B " + Quoted(refB),
               "rename A patch " + std::to_string(renamed + 1) + " Pointer",
               "drop A wave " + std::to_string(waveFrom + 1) + " B " + std::to_string(waveAt + 1) +
                   " copy",
               "drop A patch 1-2 A " + first + " move", // the block keeps its shape under row 2
               "drop A patch 5 B " + std::to_string(patchAt + 1) + " copy",
               "drop A tone 2 B " + std::to_string(toneAt + 1) + " move",
               "drop B patch 1 B 5 insert move", "save A", "save B"});
    EXPECT_EQ(
        CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(a), CorvTest::FolderSnapshot(refA)),
        "");
    EXPECT_EQ(
        CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(b), CorvTest::FolderSnapshot(refB)),
        "");
    EXPECT_NE(CorvTest::FolderSnapshot(a), initialA) << "nothing was saved";
    EXPECT_NE(CorvTest::FolderSnapshot(b), initialB) << "nothing was saved";
}

// The tones of a patch and the waves of those tones, by name, from a dump: what it needs.
std::string NeedsOf(const Json& dump, int patch) {
    std::string text;
    for (const Json& slot : dump["patches"][static_cast<std::size_t>(patch)]["slots"]) {
        const int tone = slot["tone"].get<int>();
        if (tone < 1)
            continue;
        const Json& record = dump["tones"][static_cast<std::size_t>(tone - 1)];
        text += record["name"].get<std::string>() + " (";
        for (const Json& wave : record["waves"])
            if (wave.get<int>() >= 1)
                text += dump["waves"][static_cast<std::size_t>(wave.get<int>() - 1)]["name"]
                            .get<std::string>() +
                        " ";
        text += ") ";
    }
    return text;
}

// A patch deleted and saved is taken back from the version before: Project > History, Open
// Read-Only, a drag of the patch with Ctrl (which would move between projects) into the project,
// a save. The project holds the patch again with the tones and waves it needs, the version keeps
// it, and nothing of the version's scratch folder is left once the program has ended.
TEST_F(CliDesktopDragTest, APatchTakenBackFromAVersion) {
    for (const char* tool : {"Xvfb", "xdotool"})
        ASSERT_EQ(RunShell(std::string("command -v ") + tool).status, 0)
            << tool << " is needed (scripts/install-deps)";
    const std::string a = ProjectPath("A");
    ASSERT_EQ(RunCorvane({"demo", a, "--seed", "1"}).status, 0);
    const Json before = DumpOf(a);
    // A used patch on tones to delete, and another one to rename first.
    int taken = -1, renamed = -1;
    for (int row = 2; row < 25; ++row) {
        const Json& patch = before["patches"][static_cast<std::size_t>(row)];
        if (patch["empty"].get<bool>())
            continue;
        if (taken < 0 && !NeedsOf(before, row).empty())
            taken = row;
        else if (renamed < 0)
            renamed = row;
    }
    ASSERT_TRUE(taken > 0 && renamed > 0);
    const std::string name = before["patches"][static_cast<std::size_t>(taken)]["name"];
    const std::string needs = NeedsOf(before, taken);

    // Saved once renamed (a version as demo made it), then saved without the patch; the
    // command-line tool keeps its versions where the program looks for them.
    const std::string history = m_temp / "history";
    const std::map<std::string, std::string> keep = {{"CORVANE_HISTORY", history}};
    ASSERT_EQ(
        RunCorvane({"rename", a, "patch", std::to_string(renamed + 1), "Renamed"}, keep).status, 0);
    ASSERT_EQ(RunCorvane({"delete", a, "patch", std::to_string(taken + 1), "--yes"}, keep).status,
              0);
    ASSERT_TRUE(DumpOf(a)["patches"][static_cast<std::size_t>(taken)]["empty"].get<bool>());

    Desktop desktop(m_temp / "desktop");
    ASSERT_TRUE(desktop.Ready()) << "no virtual X server";
    desktop.UseHistory(history);
    desktop.Start(a);
    desktop.Xdo("search --onlyvisible --name '^Corvane Librarian' windowsize --sync 1580 980 "
                "windowmove 0 0 windowfocus");
    desktop.Xdo("key alt+w v");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) {
        return l.lists.size() == 1 &&
               l.lists.at("A.prj")[0].height > 30 * l.lists.at("A.prj")[0].rowHeight;
    })) << desktop.Log();

    // The newest version (the project before the deletion) is the history's first row. (The
    // save's progress window may have taken the keyboard away from the main window.)
    // A key pressed while the window is still busy may be lost: it is pressed again.
    bool opened = false;
    for (int attempt = 0; attempt < 3 && !opened; ++attempt) {
        desktop.Xdo(
            "search --onlyvisible --name '^Corvane Librarian' windowfocus --sync key alt+p h");
        opened = desktop.WaitFor([](const Layout& l) { return l.history; });
    }
    ASSERT_TRUE(opened) << desktop.Log();
    // Without a window manager the new window gets the keyboard only when it is given it.
    desktop.Xdo("search --onlyvisible --name '^History of' windowfocus --sync");
    desktop.Xdo("key alt+o");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.lists.size() == 2; }))
        << desktop.Log();
    desktop.Xdo("search --onlyvisible --name '^History of' windowfocus --sync key Escape");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return !l.history; })) << desktop.Log();
    desktop.Xdo("search --onlyvisible --name '^Corvane Librarian' windowfocus --sync key alt+w v");
    std::string version;
    ASSERT_TRUE(desktop.WaitFor([&](const Layout& l) {
        for (const auto& [title, lists] : l.lists)
            if (title != "A.prj")
                version = title;
        return l.lists.size() == 2 && !version.empty() &&
               l.lists.at("A.prj")[0].x + 600 < l.lists.at(version)[0].x &&
               l.lists.at(version)[0].height > 30 * l.lists.at(version)[0].rowHeight;
    })) << desktop.Log();
    EXPECT_NE(version.find("version"), std::string::npos) << version;
    const Layout layout = desktop.Current();
    desktop.Select(layout.lists.at(version)[0], taken, taken);
    desktop.Drag(layout.lists.at(version)[0], taken, layout.lists.at("A.prj")[0], taken, "ctrl");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modified.at("A.prj"); }))
        << desktop.Log();
    EXPECT_FALSE(desktop.Current().modified.at(version));
    desktop.KeysIn(layout.lists.at("A.prj")[2], "ctrl+s");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return !l.modified.at("A.prj"); }))
        << desktop.Log();
    desktop.Xdo("key alt+f x");
    for (int i = 0; i < 100 && desktop.Running(); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(desktop.Running());

    const Json after = DumpOf(a);
    EXPECT_EQ(after["patches"][static_cast<std::size_t>(taken)]["name"], name);
    EXPECT_EQ(NeedsOf(after, taken), needs);
    EXPECT_EQ(after["patches"][static_cast<std::size_t>(renamed)]["name"], "Renamed");
    const fs::path versions =
        fs::path(m_temp / "desktop") / "home/data/Brisko/Corvane Librarian/CorvWork/Versions";
    EXPECT_TRUE(!fs::exists(versions) || fs::is_empty(versions));
}

// A search result of the library window, dragged with the pointer onto a project's patch list,
// is copied there with its tones and waves exactly as a script's drop from its project would.
TEST_F(CliDesktopDragTest, ALibraryResultDraggedIntoAProject) {
    for (const char* tool : {"Xvfb", "xdotool"})
        ASSERT_EQ(RunShell(std::string("command -v ") + tool).status, 0)
            << tool << " is needed (scripts/install-deps)";
    const std::string source = m_temp / "Songs/Src.prj/", b = ProjectPath("B");
    const std::string refB = ProjectPath("RefB"), catalogue = m_temp / "library.sqlite3";
    ASSERT_EQ(RunCorvane({"demo", source, "--seed", "1"}).status, 0);
    ASSERT_EQ(RunCorvane({"demo", b, "--seed", "2"}).status, 0);
    fs::copy(b, refB, fs::copy_options::recursive);
    // Every project of the test in the catalogue (the program adds B when it opens it anyway).
    ASSERT_EQ(RunCorvane({"library", "--library", catalogue, "add", m_temp.Path()}).status, 0);
    ASSERT_EQ(RunCorvane({"library", "--library", catalogue, "scan"}).status, 0);
    const auto initialSource = CorvTest::FolderSnapshot(source);
    // A patch whose name the search finds alone.
    const Json dumpSource = DumpOf(source), dumpB = DumpOf(b);
    int chosen = -1;
    for (const Json& patch : dumpSource["patches"]) {
        if (patch["empty"].get<bool>())
            continue;
        const RunResult found = RunCorvane({"library", "--library", catalogue, "search",
                                            patch["name"].get<std::string>(), "--json"});
        if (found.status == 0 && Json::parse(found.out).size() == 1) {
            chosen = patch["number"].get<int>();
            break;
        }
    }
    ASSERT_GT(chosen, 0);
    const std::string name = dumpSource["patches"][static_cast<std::size_t>(chosen - 1)]["name"];
    const int at = FreeRun(dumpB, "patches", 5, 1);
    ASSERT_GT(at, 0);

    Desktop desktop(m_temp / "desktop");
    ASSERT_TRUE(desktop.Ready()) << "no virtual X server";
    desktop.UseLibrary(catalogue);
    desktop.Start(b);
    desktop.Xdo("search --onlyvisible --name '^Corvane Librarian' windowsize --sync 1580 980 "
                "windowmove 0 0 windowfocus");
    desktop.Xdo("key ctrl+l");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.library.height > 0; }))
        << desktop.Log();
    desktop.Xdo("type --delay 20 " + ShellQuoted(name));
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.results == 1; })) << desktop.Log();
    const Layout layout = desktop.Current();
    ASSERT_GT(layout.lists.at("B.prj")[0].height, (at + 2) * layout.lists.at("B.prj")[0].rowHeight);
    desktop.Select(layout.library, 0, 0);
    desktop.Drag(layout.library, 0, layout.lists.at("B.prj")[0], at);
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return l.modified.at("B.prj"); }))
        << desktop.Log();
    desktop.KeysIn(layout.lists.at("B.prj")[2], "ctrl+s");
    ASSERT_TRUE(desktop.WaitFor([](const Layout& l) { return !l.modified.at("B.prj"); }))
        << desktop.Log();
    desktop.Xdo("key alt+f x");
    for (int i = 0; i < 100 && desktop.Running(); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(desktop.Running());

    RunScript({"open S " + Quoted(source), "open B " + Quoted(refB),
               "drop S patch " + std::to_string(chosen) + " B " + std::to_string(at + 1) + " copy",
               "save B"});
    EXPECT_EQ(DumpOf(b)["patches"][static_cast<std::size_t>(at)]["name"], name);
    EXPECT_EQ(
        CorvTest::SnapshotDifference(CorvTest::FolderSnapshot(b), CorvTest::FolderSnapshot(refB)),
        "");
    EXPECT_EQ(CorvTest::FolderSnapshot(source), initialSource) << "the source was written";
}

} // namespace
} // namespace CorvCliTest
