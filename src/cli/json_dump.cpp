#include "cli/json_dump.h"

#include "storage/domain.h"
#include "storage/project_document.h"

#include <cstdio>

namespace Corv::Cli {

namespace {

using Json = nlohmann::ordered_json;

Json Memos(const CParameter& record) {
    Json memos = Json::array();
    for (int n = 1; n <= 4; ++n)
        memos.push_back(record.Memo(n));
    return memos;
}

// The members every slot has: number, empty, name, file, memos.
Json SlotJson(int index, const CParameter& record) {
    Json slot = Json::object();
    slot["number"] = index + 1;
    slot["empty"] = record.IsEmpty();
    slot["name"] = record.Name();
    slot["file"] = record.FilePath();
    slot["memos"] = Memos(record);
    return slot;
}

Json Users(const CReferencedParameter& record) {
    Json users = Json::array();
    for (const std::int32_t user : record.Users())
        users.push_back(user);
    return users;
}

Json PatchJson(int index, const CPatch& patch) {
    Json json = SlotJson(index, patch);
    Json slots = Json::array();
    for (int n = 0; n < 2; ++n) {
        const CPatchTone& slot = patch.Slot(n);
        Json entry = Json::object();
        entry["switch"] = slot.Switch();
        entry["bank"] = slot.P(1);
        entry["tone"] = slot.ToneNumber();
        slots.push_back(entry);
    }
    json["slots"] = slots;
    return json;
}

Json ToneJson(int index, const CTone& tone) {
    Json json = SlotJson(index, tone);
    Json sources = Json::array();
    Json waves = Json::array();
    for (int osc = 0; osc < CTone::kOscCount; ++osc)
        for (int side = 0; side < 2; ++side) {
            sources.push_back(tone.Osc(osc).WaveSource(side));
            waves.push_back(tone.Osc(osc).WaveNumber(side));
        }
    json["sources"] = sources;
    json["waves"] = waves;
    json["users"] = Users(tone);
    return json;
}

Json WaveJson(int index, const CWave& wave) {
    Json json = SlotJson(index, wave);
    json["bytes"] = wave.IsEmpty() ? 0u : FileBytes(wave.FilePath());
    json["users"] = Users(wave);
    return json;
}

template <class Array, class Convert> Json ArrayJson(const Array& records, Convert convert) {
    Json list = Json::array();
    for (std::size_t i = 0; i < records.Size(); ++i)
        list.push_back(convert(static_cast<int>(i), records[i]));
    return list;
}

void WriteValue(const Json& value, std::string& out);

void WriteObject(const Json& value, std::string& out) {
    out += '{';
    bool first = true;
    for (const auto& [key, member] : value.items()) {
        if (!first)
            out += ", ";
        first = false;
        out += JsonString(key);
        out += ": ";
        WriteValue(member, out);
    }
    out += '}';
}

void WriteArray(const Json& value, std::string& out) {
    out += '[';
    bool first = true;
    for (const Json& element : value) {
        if (!first)
            out += ", ";
        first = false;
        WriteValue(element, out);
    }
    out += ']';
}

void WriteValue(const Json& value, std::string& out) {
    if (value.is_object())
        WriteObject(value, out);
    else if (value.is_array())
        WriteArray(value, out);
    else if (value.is_string())
        out += JsonString(value.get_ref<const std::string&>());
    else
        out += value.dump(); // numbers, booleans and null hold no text
}

} // namespace

std::string JsonString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out += '"';
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte >= 0x20 && byte <= 0x7E) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u00%02X", byte);
            out += escape;
        }
    }
    out += '"';
    return out;
}

std::string WriteJson(const Json& value) {
    std::string out;
    WriteValue(value, out);
    return out;
}

Json ProjectJson(const CLumData& data, const std::vector<std::string>& rejected, bool modified) {
    Json json = Json::object();
    json["folder"] = data.ProjectFolder();
    json["modified"] = modified;
    json["waveBytes"] = data.WaveBytesTotal();
    json["rejected"] = rejected;
    json["patches"] = ArrayJson(data.Patches(), PatchJson);
    json["tones"] = ArrayJson(data.Tones(), ToneJson);
    json["waves"] = ArrayJson(data.Waves(), WaveJson);
    return json;
}

std::string DumpProject(const CProjectDocument& document) {
    return WriteJson(ProjectJson(document.Data(), document.RejectedFiles(), document.IsModified()));
}

} // namespace Corv::Cli
