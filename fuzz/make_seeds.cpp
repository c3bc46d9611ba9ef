// Writes the seed corpus of every fuzz target into <folder>/<target>/: valid inputs made by the
// project builder and slightly broken ones next to them.
#include "folder_image.h"
#include "journal_input.h"
#include "model/lum_data.h"
#include "storage/domain.h"
#include "storage/folder_transaction.h"
#include "storage/project_document.h"
#include "support/audio_files.h"
#include "support/faulty_file_system.h"
#include "support/project_builder.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using CorvTest::Bytes;
using CorvTest::FileOptions;

Bytes ToBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

class SeedWriter {
public:
    explicit SeedWriter(fs::path root) : m_root(std::move(root)) {}
    void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
        fs::create_directories(m_root / target);
        CorvTest::WriteBytes((m_root / target / name).string(), bytes);
        ++m_count;
    }
    int Count() const { return m_count; }

private:
    fs::path m_root;
    int m_count = 0;
};

Bytes WithTag(Bytes bytes, const char* tag) {
    std::copy(tag, tag + 4, bytes.begin() + 16);
    return bytes;
}

Bytes Shortened(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}

void SvdSeeds(SeedWriter& out) {
    const Corv::CPatch lead = CorvTest::MakePatch("Lead", 3, 7);
    const Corv::CTone pad = CorvTest::MakeTone("Pad", {1, 2, 0, 999, 4});
    const Bytes patch = CorvTest::PatchFileBytes(lead);
    const Bytes tone = CorvTest::ToneFileBytes(pad);
    FileOptions tail;
    tail.seed = 2;
    tail.trailing = 48;
    tail.headerByte30 = 0xAB;
    tail.headerByte31 = 0xCD;
    FileOptions zeros;
    zeros.opaqueFill = 0;

    out.Write("svd_file", "patch", patch);
    out.Write("svd_file", "patch-trailing", CorvTest::PatchFileBytes(lead, tail));
    out.Write("svd_file", "patch-zeros", CorvTest::PatchFileBytes(lead, zeros));
    out.Write("svd_file", "patch-beyond-tones",
              CorvTest::PatchFileBytes(CorvTest::MakePatch("Far", 16384, 897)));
    out.Write("svd_file", "patch-short", Shortened(patch));
    out.Write("svd_file", "patch-tone-tag", WithTag(patch, "PATa"));
    out.Write("svd_file", "tone", tone);
    out.Write("svd_file", "tone-trailing", CorvTest::ToneFileBytes(pad, tail));
    out.Write("svd_file", "tone-zeros", CorvTest::ToneFileBytes(pad, zeros));
    out.Write("svd_file", "tone-beyond-waves",
              CorvTest::ToneFileBytes(CorvTest::MakeTone("Far", {1000, 65535})));
    out.Write("svd_file", "tone-short", Shortened(tone));
    out.Write("svd_file", "tone-patch-tag", WithTag(tone, "PRFa"));
}

// The memo file the builder writes for these lines.
Bytes MemoBytes(const std::vector<std::string>& lines, const std::string& lineEnd) {
    CorvTest::TempDir dir;
    CorvTest::ProjectBuilder builder(dir / "Song.prj");
    builder.Memos(Corv::kPatchKind, lines, lineEnd);
    return CorvTest::ReadBytes(builder.Folder() + "PatchMemo.txt");
}

void MemoSeeds(SeedWriter& out) {
    const std::vector<std::string> lines = {"Lead for the intro", "", "warm", "4th", "slot 2", "b"};
    out.Write("memo_file", "crlf", MemoBytes(lines, "\r\n"));
    out.Write("memo_file", "lf", MemoBytes(lines, "\n"));
    out.Write("memo_file", "no-last-line-end", Shortened(Shortened(MemoBytes(lines, "\r\n"))));
    out.Write("memo_file", "three-lines", MemoBytes({"one", "two", "three"}, "\r\n"));
    out.Write("memo_file", "long-line",
              MemoBytes({std::string(1100, 'x'), "after", "", ""}, "\r\n"));
    out.Write("memo_file", "bytes",
              MemoBytes({"\x82\xa0\x82\xa2 \xe9t\xe9", "a\rb", "\t"}, "\r\n"));
    // One line more than the wave memo file has, with a distinct text in the last slots.
    std::vector<std::string> full(4 * Corv::kWaveSlots + 1, "m");
    full[4 * Corv::kPatchSlots - 1] = "last patch";
    full[4 * Corv::kToneSlots - 1] = "last tone";
    full.back() = "past the end";
    out.Write("memo_file", "full", MemoBytes(full, "\r\n"));
}

void TokenizerSeeds(SeedWriter& out) {
    out.Write("script_tokenizer", "script",
              ToBytes("open A \"/music/Live Set.prj\"\n"
                      "open B /music/Studio.prj\r\n"
                      "# a comment\n"
                      "\n"
                      "drop A patch 1-4 B 10 insert move\n"
                      "memo B tone 3 2 \"say \\\"hi\\\" \\\\ there\"\n"
                      "rename\tB wave 5 \"\"\n"
                      "echo a\"b c\"d \\n \"\\x\"\n"));
    out.Write("script_tokenizer", "unterminated", ToBytes("echo \"open\n"));
}

Bytes Pack(const CorvFuzz::FolderImage& image,
           CorvFuzz::Spelling spelling = CorvFuzz::Spelling::Plain, std::uint8_t missing = 0) {
    CorvFuzz::FolderImage copy = image;
    copy.flags = static_cast<std::uint8_t>(copy.flags | missing | static_cast<int>(spelling) << 3);
    return CorvFuzz::Encode(copy);
}

// Three patches, four tones and four waves with references between them (two beyond the
// arrays), system files and memos, written into a folder; returns the folder ("/" at its end).
std::string WriteSmallProject(const std::string& path) {
    CorvTest::ProjectBuilder builder(path);
    builder.Patch(1, "Lead", 1, 2).Patch(2, "Bass", 2).Patch(5, "Pad", 4, 900);
    builder.Tone(1, "Saw", {1, 2}).Tone(2, "Sub", {3}).Tone(4, "Air", {0, 2, 1200});
    builder.Wave(1, "Kick", 16).Wave(2, "Snare", 24).Wave(3, "Hat", 8).Wave(4, "Loop", 12, ".aiff");
    builder.SystemFiles();
    builder.Memos(Corv::kPatchKind, {"intro", "", "", "", "verse"});
    builder.Memos(Corv::kToneKind, {"bright", "dark", "", ""}, "\n");
    builder.Memos(Corv::kWaveKind, {"808"});
    return builder.Folder();
}

CorvFuzz::FolderImage SmallProject() {
    CorvTest::TempDir dir;
    return CorvFuzz::ReadFolder(WriteSmallProject(dir / "Song.prj"));
}

void ProjectSeeds(SeedWriter& out) {
    using CorvFuzz::Spelling;
    const CorvFuzz::FolderImage small = SmallProject();
    out.Write("project_load", "small", Pack(small));
    out.Write("project_load", "small-trailing-slash", Pack(small, Spelling::TrailingSlash));
    out.Write("project_load", "small-backslashes", Pack(small, Spelling::Backslashes));
    out.Write("project_load", "small-no-extension", Pack(small, Spelling::NoExtension));
    out.Write("project_load", "small-no-patch-folder",
              Pack(small, Spelling::Plain, CorvFuzz::kNoPatchFolder));
    out.Write("project_load", "small-no-wave-folder",
              Pack(small, Spelling::Plain, CorvFuzz::kNoWaveFolder));

    CorvTest::TempDir dir;
    CorvTest::ProjectBuilder named(dir / "Named.prj", false);
    named.Patch(1, "A", 1).Patch(1, "B", 1).Patch(0, "X", 0).Patch(513, "X", 0);
    named.Patch(2, "Twelve chars", 0).Patch(3, "Thirteen char", 0);
    named.File("Patch/1 X.d00", CorvTest::PatchFileBytes(CorvTest::MakePatch("X", 0)));
    named.File("Patch/Extra.d00", ToBytes("not a patch"));
    named.Tone(1, "T", {});
    CorvFuzz::FolderImage names = CorvFuzz::ReadFolder(named.Folder());
    names.entries.push_back({CorvFuzz::Place::PatchFolder, "004 Folder.d00", {}});
    out.Write("project_load", "names", Pack(names));

    CorvTest::ProjectBuilder broken(dir / "Broken.prj");
    broken.Patch(1, "Lead", 1).Tone(1, "Short", {1}).Wave(1, "Kick", 4);
    CorvFuzz::FolderImage shortTone = CorvFuzz::ReadFolder(broken.Folder());
    for (CorvFuzz::Entry& entry : shortTone.entries)
        if (entry.place == CorvFuzz::Place::ToneFile)
            entry.content.pop_back();
    out.Write("project_load", "short-tone", Pack(shortTone));

    // The last slot of every list, references to the last tone and wave and one past them.
    CorvTest::ProjectBuilder edges(dir / "Edges.prj");
    edges.Patch(Corv::kPatchSlots, "Last", Corv::kToneSlots, Corv::kToneSlots + 1);
    edges.Tone(Corv::kToneSlots, "Last", {Corv::kWaveSlots, Corv::kWaveSlots + 1, 1});
    edges.Wave(Corv::kWaveSlots, "Last", 8).Wave(1, "First", 8);
    out.Write("project_load", "edges", Pack(CorvFuzz::ReadFolder(edges.Folder())));

    CorvTest::ProjectBuilder empty(dir / "Empty.prj", false);
    out.Write("project_load", "empty", Pack(CorvFuzz::ReadFolder(empty.Folder())));
}

// Agrees to every question (a seed's save over another project) and shows nothing.
class AgreeingSink : public Corv::CTextOutBox {
public:
    void ShowError(int /*code*/) override {}
    int Ask(int /*buttonSet*/, int /*code*/) override { return Corv::kAnswerYes; }
    void ShowNotice(const std::string& /*text*/) override {}
};

// The machine stops at a rename after the journal was written: that rename and every later
// operation fail, as after a kill, and the journal stays for the next open.
class StopAtRename : public CorvTest::FaultyFileSystem {
public:
    explicit StopAtRename(int renames) : m_renames(renames) {}
    std::unique_ptr<Corv::IFile> Open(const std::string& path, Corv::OpenMode mode) override {
        m_journal = m_journal || path.find(Corv::kJournalName) != std::string::npos;
        return FaultyFileSystem::Open(path, mode);
    }
    bool Rename(const std::string& from, const std::string& to) override {
        if (m_journal && m_renames-- == 0)
            StopAfter(0);
        return FaultyFileSystem::Rename(from, to);
    }

private:
    int m_renames;
    bool m_journal = false;
};

// The small project with every kind of change (a rename, two patches exchanged, a memo, a wave
// emptied), saved in place or over another project and stopped after `renames` renames of its
// commit: the target folder as a real save leaves it, journal and staged files included.
CorvFuzz::FolderImage InterruptedSave(int renames, bool replacing) {
    CorvTest::TempDir dir;
    ::setenv("XDG_DATA_HOME", (dir / "data-home").c_str(), 1); // never the user's own trash
    const std::string song = WriteSmallProject(dir / "Song.prj");
    Corv::CDomain::Reset();
    Corv::CDomain::Get().SetMessageSink(std::make_unique<AgreeingSink>());
    Corv::CDomain::Get().m_workFolder = dir.Path() + "/";
    Corv::CProjectDocuments& documents = Corv::CProjectDocuments::Get();
    Corv::CProjectDocument* document = documents.OpenProject(song);
    if (document == nullptr)
        return {};
    Corv::CLumData& data = document->Data();
    data.Patches()[0].SetName("Renamed");
    auto bass = Corv::CPatchArray::Copy(data.Patches()[1]);
    data.Patches().PlaceClone(1, data.Patches()[4]);
    data.Patches().Place(4, std::move(bass));
    data.Tones()[0].SetMemo(2, "seed");
    data.Waves()[3].ClearTexts();
    document->SetModifiedFlag(true);
    std::string target = song;
    if (replacing) {
        CorvTest::ProjectBuilder old(dir / "Old.prj");
        old.Patch(7, "Old", 1).Tone(1, "Old", {}).Wave(3, "Old", 12).SystemFiles();
        target = old.Folder();
    }
    {
        StopAtRename stop(renames);
        CorvTest::ScopedFileSystem scope(stop);
        document->SaveProject(target);
    }
    documents.CloseAll();
    return CorvFuzz::ReadFolder(target);
}

// The small project with a journal of these steps and a staged file of the sender's.
CorvFuzz::FolderImage WithJournal(const std::vector<Corv::CommitStep>& steps) {
    CorvFuzz::FolderImage image = SmallProject();
    const std::string journal = Corv::JournalText(steps);
    image.entries.push_back({CorvFuzz::Place::TopFile, Corv::kJournalName, ToBytes(journal)});
    image.entries.push_back({CorvFuzz::Place::TopFile, ".corvane-new-1", ToBytes("sender")});
    return image;
}

Bytes JournalInput(std::uint8_t links, const CorvFuzz::FolderImage& image) {
    Bytes bytes = CorvFuzz::Encode(image);
    bytes.insert(bytes.begin(), links);
    return bytes;
}

void JournalSeeds(SeedWriter& out) {
    using namespace CorvFuzz;
    for (const int renames : {0, 1, 3, 6, 9})
        out.Write("journal", "save-stopped-at-rename-" + std::to_string(renames),
                  JournalInput(0, InterruptedSave(renames, false)));
    out.Write("journal", "save-stopped-then-saved",
              JournalInput(kSaveAfter, InterruptedSave(2, false)));
    out.Write("journal", "save-stopped-linked-patch",
              JournalInput(kLinkPatch | kSaveAfter, InterruptedSave(2, false)));
    for (const int renames : {1, 14})
        out.Write("journal", "replace-stopped-at-rename-" + std::to_string(renames),
                  JournalInput(0, InterruptedSave(renames, true)));

    using Kind = Corv::CommitStep::Kind;
    const struct {
        const char* name;
        std::uint8_t links;
        std::vector<Corv::CommitStep> steps;
    } hostile[] = {
        {"remove-outside", 0, {{Kind::Remove, "../outside/x", {}}}},
        {"pull-in", 0, {{Kind::Place, "../outside/x", "Wave/900 Stolen.wav"}}},
        {"overwrite",
         0,
         {{Kind::Aside, "../outside/x", ".corvane-old-1"},
          {Kind::Place, ".corvane-new-1", "../outside/x"}}},
        {"through-linked-patch", kLinkPatch, {{Kind::Remove, "Patch/001 Lead.d00", {}}}},
        {"through-linked-wave",
         kLinkWave | kSaveAfter,
         {{Kind::Aside, "Wave/002 V.wav", ".corvane-old-2"}}},
        {"through-up", kLinkUp, {{Kind::Remove, "up/outside/x", {}}}},
        {"absolute", 0, {{Kind::Remove, "/fuzz/outside/x", {}}}},
        {"dot-dot-below-patch", 0, {{Kind::Remove, "Patch/../../outside/x", {}}}},
        {"file-links",
         kLinkFiles | kSaveAfter,
         {{Kind::Place, ".corvane-new-7", "Patch/010 In.d00"},
          {Kind::Remove, "PatchMemo.txt", {}}}},
    };
    for (const auto& seed : hostile)
        out.Write("journal", std::string("hostile-") + seed.name,
                  JournalInput(seed.links, WithJournal(seed.steps)));
}

} // namespace

// Small WAV, AIFF and AIFC files of every sample form the reader takes, some with a loop.
void WaveSeeds(SeedWriter& out) {
    using CorvTest::AudioContainer;
    using CorvTest::Spec;
    struct Seed {
        const char* name;
        CorvTest::AudioSpec spec;
        bool loop;
    };
    const Seed seeds[] = {
        {"wav-pcm8-loop", Spec(AudioContainer::Wav, 8000, 1, 8), true},
        {"wav-pcm16-stereo", Spec(AudioContainer::Wav, 44100, 2, 16), false},
        {"wav-pcm24", Spec(AudioContainer::Wav, 48000, 1, 24), true},
        {"wav-pcm32", Spec(AudioContainer::Wav, 22050, 2, 32), false},
        {"wav-float", Spec(AudioContainer::Wav, 44100, 1, 32, true), false},
        {"wav-extensible", Spec(AudioContainer::WavExtensible, 32000, 3, 16), true},
        {"aiff-pcm16-loop", Spec(AudioContainer::Aiff, 44100, 2, 16), true},
        {"aiff-pcm8", Spec(AudioContainer::Aiff, 11025, 1, 8), false},
        {"aifc-sowt", Spec(AudioContainer::Aifc, 44100, 2, 16, false, true), true},
        {"aifc-float", Spec(AudioContainer::Aifc, 48000, 1, 32, true), false},
    };
    for (const Seed& seed : seeds) {
        CorvTest::AudioSpec spec = seed.spec;
        if (seed.loop)
            spec.loop = CorvTest::AudioSpec::Loop{10, 90};
        out.Write("wave_read", seed.name,
                  CorvTest::AudioBytes(spec, CorvTest::Sawtooth(120, spec.channels)));
    }
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: corv_fuzz_seeds CORPUS_FOLDER\n";
        return 2;
    }
    SeedWriter out(argv[1]);
    SvdSeeds(out);
    MemoSeeds(out);
    TokenizerSeeds(out);
    ProjectSeeds(out);
    JournalSeeds(out);
    WaveSeeds(out);
    std::cout << "fuzz seeds: " << out.Count() << " files in " << argv[1] << '\n';
    return 0;
}
