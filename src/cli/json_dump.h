#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace Corv {
class CLumData;
class CProjectDocument;
} // namespace Corv

namespace Corv::Cli {

// A JSON string literal of a byte string: bytes 0x20-0x7E as they are (with `"` and `\`
// escaped), every other byte b as \u00XX, so that the bytes can be recovered exactly.
std::string JsonString(std::string_view bytes);

// Writes a JSON value on one line. Strings are written with `JsonString`, so they may hold any
// bytes (no UTF-8 is assumed); object members keep their insertion order.
std::string WriteJson(const nlohmann::ordered_json& value);

// The dump of one project: folder, modified flag, wave bytes, rejected files and every slot
// of every kind.
nlohmann::ordered_json ProjectJson(const CLumData& data, const std::vector<std::string>& rejected,
                                   bool modified);
std::string DumpProject(const CProjectDocument& document);

} // namespace Corv::Cli
