#include "cli/diff_command.h"

#include "cli/arguments.h"
#include "cli/json_dump.h"
#include "cli/session.h"
#include "cli/terminal_text.h"
#include "edit/project_diff.h"
#include "storage/project_document.h"

#include <iostream>

namespace Corv::Cli {

namespace {

nlohmann::ordered_json SlotJson(int slot) {
    return slot >= 0 ? nlohmann::ordered_json(slot + 1) : nlohmann::ordered_json(nullptr);
}

// A difference with its names and memos as the terminal shows them.
ProjectDifference Shown(ProjectDifference difference) {
    difference.before = ShownText(difference.before);
    difference.after = ShownText(difference.after);
    return difference;
}

} // namespace

std::string DifferencesJson(const std::vector<ProjectDifference>& differences) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const ProjectDifference& d : differences) {
        nlohmann::ordered_json item = nlohmann::ordered_json::object();
        item["kind"] = KindName(d.kind);
        item["change"] = ChangeName(d.change);
        item["a"] = SlotJson(d.slotA);
        item["b"] = SlotJson(d.slotB);
        if (d.change == DiffChange::OnlyInA || d.change == DiffChange::OnlyInB)
            item["name"] = d.before;
        if (d.change == DiffChange::Memo)
            item["memo"] = d.memo;
        if (d.change == DiffChange::Name || d.change == DiffChange::Memo) {
            item["from"] = d.before;
            item["to"] = d.after;
        }
        array.push_back(std::move(item));
    }
    return WriteJson(array);
}

int DiffFolders(const std::string& a, const std::string& b, bool json) {
    CSession session(AnswerPolicy::Negative);
    std::string error;
    if (!session.Start(error)) {
        std::cerr << "corvane: " << error << std::endl;
        return 2;
    }
    // Documents of their own: the store keeps one document per folder, and A and B may be
    // the same folder.
    CProjectDocument first, second;
    if (!first.LoadProject(AbsolutePath(a)) || !second.LoadProject(AbsolutePath(b))) {
        session.Finish();
        return 2;
    }
    const std::vector<ProjectDifference> differences = DiffProjects(first.Data(), second.Data());
    if (json) {
        std::cout << DifferencesJson(differences) << '\n';
    } else {
        for (const ProjectDifference& difference : differences)
            std::cout << DifferenceLine(Shown(difference)) << '\n';
    }
    std::cout << std::flush;
    session.Finish();
    return differences.empty() ? 0 : 1;
}

} // namespace Corv::Cli
