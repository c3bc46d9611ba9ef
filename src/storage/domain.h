#pragma once

#include "model/lum_data.h"
#include "storage/progress_bar.h"
#include "storage/text_out.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace Corv {

// Undo snapshot kinds: one array (a `ListKind`) or all three.
inline constexpr int kUndoAllKinds = 4;

// The process-wide store shared by every open project: drag transfer arrays and flags,
// settings, the path separator, the undo step, the work folder and the user-facing sinks.
class CDomain {
public:
    // One saved undo step of one project.
    struct Snapshot {
        CLumData* owner = nullptr;
        CPatchArray patches;
        CToneArray tones;
        CWaveArray waves;
        bool saved[3] = {false, false, false};
    };

    // The one store of the process, created on first access.
    static CDomain& Get();
    // Replaces the store by a fresh one (tests start every case from it).
    static void Reset();

    CDomain();
    virtual ~CDomain();
    CDomain(const CDomain&) = delete;
    CDomain& operator=(const CDomain&) = delete;

    // --- Drag transfer (filled when a drag starts, emptied when it ends).
    CPatchArray m_transferPatches;
    CToneArray m_transferTones;
    CWaveArray m_transferWaves;
    CParameterArray& Transfer(int kind);
    // Empties the transfer arrays; their records become spares.
    void ClearTransfer();
    // Records of earlier transfers, kept so that filling the transfer arrays again copies into
    // them instead of allocating every record anew.
    CPatchArray m_sparePatches;
    CToneArray m_spareTones;
    CWaveArray m_spareWaves;

    std::uint32_t m_insertFlag = 0;
    std::uint32_t m_copyFlag = 0;
    std::uint32_t m_gridSw = 0;

    std::string m_pathSeparator = "/";

    // --- Clean options (0 or 1).
    std::uint32_t m_waveOption = 0;
    std::uint32_t m_toneOption = 0;
    std::uint32_t m_tnumOption = 0;
    std::uint32_t m_pnumOption = 0;

    // --- Undo: two snapshot slots.
    Snapshot m_undo[2];

    // --- Work folder (ends in "/") and the counter that numbers every file created there.
    std::string m_workFolder;
    unsigned m_workFileCounter = 0;
    // Takes the counter's value and raises it.
    unsigned NextWorkFileNumber() { return m_workFileCounter++; }

    // --- Sinks, owned by the store (installing replaces and destroys the previous one).
    void SetMessageSink(std::unique_ptr<CTextOutBox> sink);
    void SetTextBuffer(std::unique_ptr<CLumTextOutBuffer> buffer);
    void SetProgressSink(std::unique_ptr<CLumProgressBar> sink);
    CTextOutBox* MessageSink() const { return m_messageSink.get(); }
    CLumTextOutBuffer* TextBuffer() const { return m_textBuffer.get(); }
    // Never null: a storing sink stands in until one is installed.
    CLumProgressBar& Progress();

    // Shows an error through the message sink (and records it in the text buffer).
    void ShowError(int code);
    // The same with the line that says why (see `CTextOutBox::ShowErrorDetail`).
    void ShowError(int code, const std::string& detail);
    // Asks a question; Cancel when no sink is installed.
    int Ask(int buttonSet, int code);
    // Shows a notice (summary line, then detail lines) through the message sink.
    void ShowNotice(const std::string& text);

    // --- Undo operations.
    void ClearUndo();
    // Saves a deep copy of one array (kind 0-2) or of all three (kind 4) of a project into
    // the first free snapshot slot.
    void RecordUndo(int kind, CLumData& project);
    // Exchanges every saved array with its owner's current one.
    void SwapUndo();
    bool CanUndo() const { return m_undo[0].owner != nullptr; }
    // True when a snapshot slot belongs to the project.
    bool OwnsUndo(const CLumData* project) const;
    // Swaps the step and returns the projects it touched (null entries for unused slots).
    std::array<CLumData*, 2> Undo();

private:
    std::unique_ptr<CTextOutBox> m_messageSink;
    std::unique_ptr<CLumTextOutBuffer> m_textBuffer;
    std::unique_ptr<CLumProgressBar> m_progress;
};

// Turns a stored path ("/" separators) into the operating system's form.
std::string ToOsPath(const std::string& path);

} // namespace Corv
