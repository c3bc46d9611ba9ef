#pragma once

#include "model/parameter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Corv {

// The record area of a patch or tone file as the file holds it.
struct KnownArea {
    std::vector<std::uint8_t> bytes;
    // Parameters that, packed into the area, leave it as it is (see `PackedParameters`): a
    // record that has them is unchanged without being packed. Empty when not known.
    std::vector<std::uint8_t> parameters;
};

// Known areas are shared, never changed: a save hands the ones it found unchanged on to what it
// knows afterwards without copying them.
using KnownAreaPtr = std::shared_ptr<const KnownArea>;

// What a project's own files hold, as this program last read or wrote them: the record area of
// each patch and tone file (by path) and the text of each memo file. A save in place compares
// the project with its files; while no one else has changed the folder since the last load or
// save, what is known here stands in for reading the files again, so that a save reads only
// the files it does not know.
class CKnownFiles {
public:
    // Remembers the record areas of a kind's files slot by slot, in place of what was known of
    // the kind: `paths[i]` holds `areas[i]` (an empty path or a null area: nothing is known).
    void RememberAreas(int kind, std::vector<std::string> paths, std::vector<KnownAreaPtr> areas);
    // The remembered area of a file, or null when there is none (a wave, a file of another
    // project or of the work folder, anything not learned since the last load or save).
    // `slot` is where the file is looked for first: a record's file is mostly its slot's own.
    KnownAreaPtr Area(int kind, const std::string& path, std::size_t slot) const;
    // Forgets the areas of a kind.
    void ForgetAreas(int kind);

    // Remembers the text of a kind's memo file; none: nothing is known of it.
    void RememberMemo(int kind, std::optional<std::string> text);
    // The remembered text of a kind's memo file, or null.
    const std::string* Memo(int kind) const;

    // Forgets everything: the next save reads every file it compares with.
    void ForgetAll();

private:
    static bool HasArea(int kind) { return kind == kPatchKind || kind == kToneKind; }
    static bool HasMemo(int kind) { return kind >= kPatchKind && kind <= kWaveKind; }

    struct Areas {
        std::vector<std::string> paths;
        std::vector<KnownAreaPtr> areas;
    };
    Areas m_areas[2];
    std::optional<std::string> m_memos[3];
};

} // namespace Corv
