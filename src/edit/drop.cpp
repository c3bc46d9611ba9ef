#include "edit/drop.h"

#include "edit/drop_detail.h"
#include "edit/list_edits.h"
#include "storage/undo_step.h"

#include <algorithm>

namespace Corv {

using namespace DropDetail;

namespace {

// The selected rows form one unbroken run.
bool Contiguous(const std::vector<int>& rows) {
    const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
    return *high - *low + 1 == static_cast<int>(rows.size());
}

// The overwrite or insert itself.
EditOutcome Drop(const DropRequest& request, const CTransfer& transfer, bool otherProject,
                 bool copy, CUndoStep& undo, const ConfirmFn& confirm) {
    CLumData& target = *request.target;
    return request.insert
               ? Insert(target, request.at, transfer, otherProject, copy, undo, confirm)
               : Overwrite(target, request.at, transfer, otherProject, copy, undo, confirm);
}

} // namespace

namespace DropDetail {

std::vector<int> ValidRows(const CLumData& source, int kind, const std::vector<int>& rows) {
    std::vector<int> result;
    const int count = static_cast<int>(source.Records(kind).Size());
    std::vector<bool> seen(At(count));
    for (const int row : rows) {
        if (row < 0 || row >= count)
            return {};
        if (!seen[At(row)])
            result.push_back(row);
        seen[At(row)] = true;
    }
    return result;
}

bool AnyUsed(const CLumData& source, int kind, const std::vector<int>& rows) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](int row) { return !source.Records(kind).Item(At(row)).IsEmpty(); });
}

bool DroppedOntoItself(const CLumData& source, const std::vector<int>& rows, const CLumData& target,
                       int at, bool insert, bool copy) {
    if (&source != &target || rows.empty() || !Contiguous(rows))
        return false;
    if (at != *std::min_element(rows.begin(), rows.end()))
        return false;
    return !(insert && copy);
}

} // namespace DropDetail

std::vector<int> ReselectedSourceRows(const std::vector<int>& rows, int kind, int at, bool insert,
                                      bool otherProject) {
    if (otherProject)
        return rows;
    const int n = static_cast<int>(rows.size());
    std::vector<int> selection;
    for (const int row : rows) {
        if (!insert) {
            if (row < at || row > at + n - 1)
                selection.push_back(row);
        } else if (row < at) {
            selection.push_back(row);
        } else if (row + n < SlotCount(kind)) {
            selection.push_back(row + n);
        }
    }
    return selection;
}

DropResult PerformDrop(const DropRequest& request, CUndoStep& undo, const ConfirmFn& confirm) {
    DropResult result;
    if (request.source == nullptr || request.target == nullptr || !IsKind(request.kind))
        return result;
    const std::vector<int> rows = ValidRows(*request.source, request.kind, request.rows);
    if (rows.empty() || !AnyUsed(*request.source, request.kind, rows))
        return result;

    const bool otherProject = request.source != request.target;
    const bool copy = request.copy.value_or(otherProject);
    if (DroppedOntoItself(*request.source, rows, *request.target, request.at, request.insert, copy))
        return result;
    const CTransfer transfer = StoreSelection(*request.source, rows, request.kind);
    result.outcome = Drop(request, transfer, otherProject, copy, undo, confirm);
    if (!result.outcome.Done())
        return result;
    const int n = static_cast<int>(rows.size());
    result.done = true;
    result.inserted = request.insert ? n : 0;
    result.targetChanged = true;
    for (int row = request.at; row < request.at + n && row < SlotCount(request.kind); ++row)
        result.targetSelection.push_back(row);
    result.sourceSelection =
        ReselectedSourceRows(rows, request.kind, request.at, request.insert, otherProject);
    if (!copy) {
        if (otherProject)
            undo.Record(KindSet::All(), *request.source);
        EmptyEntries(*request.source, result.sourceSelection, request.kind, true);
        result.sourceChanged = true;
    }
    return result;
}

} // namespace Corv
