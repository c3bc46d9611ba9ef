#include "storage/domain.h"

#include <cassert>

namespace Corv {

namespace {

std::unique_ptr<CDomain>& Instance() {
    static std::unique_ptr<CDomain> instance;
    return instance;
}

// A project data object that goes away takes any undo step that refers to it along.
void DiscardUndoOf(const CLumData* project) {
    auto& instance = Instance();
    if (instance && instance->OwnsUndo(project))
        instance->ClearUndo();
}

} // namespace

CDomain& CDomain::Get() {
    auto& instance = Instance();
    if (!instance)
        instance = std::make_unique<CDomain>();
    return *instance;
}

void CDomain::Reset() {
    Instance().reset();
    Instance() = std::make_unique<CDomain>();
}

CDomain::CDomain() { CLumData::SetDestroyHook(&DiscardUndoOf); }

CDomain::~CDomain() = default;

CParameterArray& CDomain::Transfer(int kind) {
    return kind == kPatchKind ? static_cast<CParameterArray&>(m_transferPatches)
           : kind == kToneKind ? static_cast<CParameterArray&>(m_transferTones)
                               : static_cast<CParameterArray&>(m_transferWaves);
}

void CDomain::ClearTransfer() {
    m_transferPatches.MoveAllTo(m_sparePatches);
    m_transferTones.MoveAllTo(m_spareTones);
    m_transferWaves.MoveAllTo(m_spareWaves);
}

void CDomain::SetMessageSink(std::unique_ptr<CTextOutBox> sink) { m_messageSink = std::move(sink); }

void CDomain::SetTextBuffer(std::unique_ptr<CLumTextOutBuffer> buffer) {
    m_textBuffer = std::move(buffer);
}

void CDomain::SetProgressSink(std::unique_ptr<CLumProgressBar> sink) { m_progress = std::move(sink); }

CLumProgressBar& CDomain::Progress() {
    if (!m_progress)
        m_progress = std::make_unique<CLumProgressBar>();
    return *m_progress;
}

void CDomain::ShowError(int code) {
    if (m_textBuffer)
        m_textBuffer->SetLastError(code);
    if (m_messageSink)
        m_messageSink->ShowError(code);
}

void CDomain::ShowError(int code, const std::string& detail) {
    if (m_textBuffer)
        m_textBuffer->SetLastError(code);
    if (m_messageSink)
        m_messageSink->ShowErrorDetail(code, detail);
}

void CDomain::ShowNotice(const std::string& text) {
    if (m_messageSink)
        m_messageSink->ShowNotice(text);
}

int CDomain::Ask(int buttonSet, int code) {
    return m_messageSink ? m_messageSink->Ask(buttonSet, code) : kAnswerCancel;
}

void CDomain::ClearUndo() {
    for (Snapshot& slot : m_undo) {
        slot.owner = nullptr;
        slot.saved[0] = slot.saved[1] = slot.saved[2] = false;
    }
}

void CDomain::RecordUndo(int kind, CLumData& project) {
    Snapshot& slot = m_undo[0].owner == nullptr ? m_undo[0] : m_undo[1];
    assert(slot.owner == nullptr && "every two-project step starts with ClearUndo");
    if (kind == kPatchKind || kind == kUndoAllKinds) {
        slot.patches = project.Patches();
        slot.saved[kPatchKind] = true;
    }
    if (kind == kToneKind || kind == kUndoAllKinds) {
        slot.tones = project.Tones();
        slot.saved[kToneKind] = true;
    }
    if (kind == kWaveKind || kind == kUndoAllKinds) {
        slot.waves = project.Waves();
        slot.saved[kWaveKind] = true;
    }
    slot.owner = &project;
}

void CDomain::SwapUndo() {
    for (Snapshot& slot : m_undo) {
        if (slot.owner == nullptr)
            continue;
        if (slot.saved[kPatchKind])
            slot.owner->Patches().SwapItems(slot.patches);
        if (slot.saved[kToneKind])
            slot.owner->Tones().SwapItems(slot.tones);
        if (slot.saved[kWaveKind])
            slot.owner->Waves().SwapItems(slot.waves);
    }
}

bool CDomain::OwnsUndo(const CLumData* project) const {
    return project != nullptr && (m_undo[0].owner == project || m_undo[1].owner == project);
}

std::array<CLumData*, 2> CDomain::Undo() {
    if (!CanUndo())
        return {nullptr, nullptr};
    SwapUndo();
    return {m_undo[0].owner, m_undo[1].owner};
}

std::string ToOsPath(const std::string& path) {
    const std::string& separator = CDomain::Get().m_pathSeparator;
    if (separator == "/")
        return path;
    std::string result;
    result.reserve(path.size());
    for (const char c : path) {
        if (c == '/')
            result += separator;
        else
            result += c;
    }
    return result;
}

} // namespace Corv
