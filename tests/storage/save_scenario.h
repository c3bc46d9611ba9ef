#pragma once

// The reference scenario of the save sweeps: two open projects with every kind of pending change
// for project A, saved in place, into a new folder, or over another project.
#include "storage_fixture.h"
#include "support/memory_file_system.h"
#include "support/scoped_environment.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace CorvTest {

enum class SaveTarget { InPlace, NewFolder, Replace };

inline const char* TargetName(SaveTarget target) {
    const char* const names[] = {"in place", "into a new folder", "over another project"};
    return names[static_cast<int>(target)];
}

// Records by where they are: (project or snapshot, kind, slot).
using RecordKey = std::tuple<std::string, int, std::size_t>;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;

class SaveScenario {
public:
    SaveScenario() = default;
    ~SaveScenario() { Corv::CProjectDocuments::Get().CloseAll(); }
    SaveScenario(const SaveScenario&) = delete;
    SaveScenario& operator=(const SaveScenario&) = delete;

    const std::string& Root() const { return m_root.Path(); }
    const std::string& Work() const { return m_work.Path(); }
    std::string Folder(const char* name) const { return m_root.Path() + "/" + name + ".prj/"; }
    std::string Target(SaveTarget target) const {
        return Folder(target == SaveTarget::InPlace ? "A" : "A2");
    }

    // The folders on disk: A, B, and for a save over another project the project A2; an
    // imported wave in the work folder.
    void WriteFolders(SaveTarget target) const {
        ProjectBuilder a(Folder("A"));
        a.Patch(1, "One", 1).Patch(2, "Two", 2).Patch(3, "Three", 3).Patch(4, "Four", 1, 3);
        a.Patch(5, "Five", 2, 3);
        a.Tone(1, "T1", {1}).Tone(2, "T2", {2}).Tone(3, "T3", {1, 2});
        a.Wave(1, "W1", 40).Wave(2, "W2", 30, ".wav").SystemFiles();
        a.Memos(Corv::kPatchKind, {"one"}).File("Patch/Extra.d00", {1, 2, 3});
        ProjectBuilder b(Folder("B"));
        b.Patch(1, "Guest", 1).Tone(1, "G1", {1}).Wave(1, "GW", 20);
        if (target == SaveTarget::Replace) {
            ProjectBuilder old(Folder("A2"));
            old.Patch(7, "Old", 1).Tone(1, "OT", {}).Wave(3, "OW", 12).SystemFiles();
            old.Memos(Corv::kToneKind, {"old memo"}).File("notes.txt", {'k', 'e', 'e', 'p'});
        }
        WriteBytes(ImportedWave(), Bytes(77, 0x5A));
    }

    // Opens A and B through the file system the core uses now and makes A's changes: renamed
    // patch and tone, two patches exchanged (one of them with a new record area), a patch copied
    // from B and one of A copied into B, a record area changed in place, a memo, an imported
    // wave, an emptied slot, a file that breaks the naming rule, and an undo step that holds
    // A's records as they were. With `oneRename`, only one patch is renamed: a save of one step.
    void OpenAndEdit(bool oneRename = false) {
        Corv::CProjectDocuments::Get().CloseAll();
        Corv::CDomain::Reset();
        m_sink = InstallScriptedSink(Corv::kAnswerYes);
        Corv::CDomain::Get().m_workFolder = m_work.Path() + "/";
        m_a = Corv::CProjectDocuments::Get().OpenProject(Folder("A"));
        m_b = Corv::CProjectDocuments::Get().OpenProject(Folder("B"));
        ASSERT_TRUE(m_a != nullptr && m_b != nullptr);

        Corv::CLumData& da = m_a->Data();
        if (oneRename) {
            da.Patches()[4].SetName("Renamed");
            m_a->SetModifiedFlag(true);
            m_expected = RecordBytes();
            return;
        }
        Corv::CDomain::Get().RecordUndo(Corv::kUndoAllKinds, da);
        m_b->Data().Patches().PlaceClone(1, da.Patches()[0]);
        da.Patches()[0].SetName("Uno");
        da.Tones()[1].SetName("Tee");
        auto three = Corv::CPatchArray::Copy(da.Patches()[2]);
        da.Patches().PlaceClone(2, da.Patches()[3]);
        da.Patches().Place(3, std::move(three));
        da.Patches()[2].ResetToneSlot(1);
        da.Patches()[4].ResetToneSlot(1);
        da.Patches().PlaceClone(5, m_b->Data().Patches()[0]);
        da.Tones()[0].SetMemo(2, "tone memo");
        da.Waves()[4].SetFilePath(ImportedWave());
        da.Waves()[4].SetName("Imp");
        da.Patches()[1].ClearTexts();
        m_a->SetModifiedFlag(true);
        m_expected = RecordBytes();
    }

    Corv::CProjectDocument& A() { return *m_a; }
    std::vector<std::string> Messages() const { return MessageLines(*m_sink); }
    const std::vector<std::string>& Notices() const { return m_sink->Notices(); }

    // A file of the save's own (hidden names, journal) is in the folder.
    static bool HasLeftovers(const Snapshot& files) {
        return std::any_of(files.begin(), files.end(), [](const auto& file) {
            return file.first.find(".corvane-") != std::string::npos;
        });
    }

    // Every record of both projects and of the undo step, with the bytes of its file.
    std::map<RecordKey, Bytes> RecordBytes() const {
        std::map<RecordKey, Bytes> bytes;
        const auto add = [&](const std::string& where, int kind,
                             const Corv::CParameterArray& records) {
            for (std::size_t i = 0; i < records.Size(); ++i)
                if (!records.Item(i).IsEmpty())
                    bytes[{where, kind, i}] = ReadThroughSeam(records.Item(i).FilePath());
        };
        for (int kind = Corv::kPatchKind; kind <= Corv::kWaveKind; ++kind) {
            add("A", kind, m_a->Data().Records(kind));
            add("B", kind, m_b->Data().Records(kind));
        }
        const Corv::CDomain::Snapshot& undo = Corv::CDomain::Get().m_undo[0];
        if (undo.owner != nullptr) {
            add("undo", Corv::kPatchKind, undo.patches);
            add("undo", Corv::kToneKind, undo.tones);
            add("undo", Corv::kWaveKind, undo.waves);
        }
        return bytes;
    }

    // After a failed save every record names a file that holds its bytes (the undo step may
    // have been cleared).
    void CheckRecordsSurvived() const {
        const auto now = RecordBytes();
        for (const auto& [key, bytes] : m_expected) {
            const auto it = now.find(key);
            if (std::get<0>(key) == "undo" && it == now.end())
                continue;
            ASSERT_TRUE(it != now.end());
            EXPECT_EQ(it->second, bytes)
                << std::get<0>(key) << " kind " << std::get<1>(key) << " slot " << std::get<2>(key);
        }
    }

private:
    std::string ImportedWave() const { return m_work.Path() + "/999 Imp.wav"; }

    TempDir m_root;
    TempDir m_work;
    ScopedDataHome m_dataHome{m_root.Path()};
    std::shared_ptr<SinkLog> m_sink;
    Corv::CProjectDocument* m_a = nullptr;
    Corv::CProjectDocument* m_b = nullptr;
    std::map<RecordKey, Bytes> m_expected;
};

} // namespace CorvTest
