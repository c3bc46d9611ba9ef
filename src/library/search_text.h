#pragma once

#include <string>
#include <string_view>

namespace Corv::Library {

// UTF-8 text as the full-text index holds it: full-width Latin letters, digits and signs (as
// Shift_JIS names hold them) turned into their ASCII forms, so that "ＰＡＤ" is found by "pad"
// as find finds it. Letter case and accents are left to the index's tokenizer, which folds
// them itself.
std::string SearchText(std::string_view utf8);

// The full-text query for what the user typed: every word must occur as a word or the start
// of one. Empty when the text holds no word.
std::string MatchExpression(std::string_view typed);

} // namespace Corv::Library
