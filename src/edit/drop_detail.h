#pragma once

#include "model/lum_data.h"

#include <vector>

// The rules a drop applies to its rows before any list edit runs; the drop and its preview
// share them.
namespace Corv::DropDetail {

// The rows in their given order without repeats; empty when a row lies outside the list.
std::vector<int> ValidRows(const CLumData& source, int kind, const std::vector<int>& rows);

// At least one of the rows (all inside the list) holds a record.
bool AnyUsed(const CLumData& source, int kind, const std::vector<int>& rows);

// A contiguous block of `rows` (inside the list, without repeats) dropped onto its own first
// row of the same project: nothing to do, unless a copy is inserted.
bool DroppedOntoItself(const CLumData& source, const std::vector<int>& rows, const CLumData& target,
                       int at, bool insert, bool copy);

} // namespace Corv::DropDetail
