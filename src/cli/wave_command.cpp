#include "cli/wave_command.h"

#include "audio/peaks.h"
#include "audio/sound_file.h"
#include "cli/arguments.h"
#include "cli/json_dump.h"
#include "cli/session.h"
#include "cli/waveform_svg.h"
#include "model/lum_data.h"
#include "storage/project_document.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

namespace Corv::Cli {

namespace {

// Everything the wave commands take from the command line.
struct WaveOptions {
    std::string project;
    std::string number;
    std::string width = "800";
    std::string height = "200";
    bool json = false;
    bool svg = false;
};

// What the wave of a slot is: its facts, and its peaks at the asked width when it has a
// picture.
struct ReadWave {
    Audio::WaveFacts facts;
    Audio::WavePeaks peaks;
};

// Loads the project (shared: nothing is saved), finds the wave of slot N and reads it. The
// project stays locked while its wave is read. Throws UsageError for an empty slot or a
// project that cannot be loaded.
ReadWave ReadSlotWave(const WaveOptions& o, int width) {
    const int slot = RowArgument(o.number, kWaveKind);
    CSession session(AnswerPolicy::Negative);
    std::string error;
    if (!session.Start(error))
        throw UsageError(error);
    const CProjectDocument* document = session.Open(o.project);
    if (document == nullptr)
        throw UsageError("cannot load the project " + o.project);
    const CWave& wave = document->Data().Waves()[At(slot)];
    if (wave.IsEmpty())
        throw UsageError("wave " + o.number + " is an empty slot");
    ReadWave read;
    Audio::CSoundFile file;
    file.Open(wave.FilePath(), Audio::FileReading::Whole);
    read.facts = file.Facts();
    std::string reason;
    if (Audio::ComputePeaks(file, width, read.peaks, reason) == Audio::PeakStatus::NoPicture &&
        read.facts.Readable()) {
        // The header was sound but the samples could not be read after all.
        read.facts = Audio::WaveFacts();
        read.facts.reason = reason;
    }
    session.Finish();
    return read;
}

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintFacts(const ReadWave& read) {
    const Audio::WaveFacts& f = read.facts;
    if (!f.Readable()) {
        std::cout << "format: " << f.format << " (" << f.reason << ")" << std::endl;
        return;
    }
    const double level = read.peaks.level;
    std::cout << "format: " << f.format << '\n'
              << "sample rate: " << f.sampleRate << " Hz\n"
              << "channels: " << f.channels << '\n'
              << "bits: " << f.bits << '\n'
              << "frames: " << f.frames << '\n'
              << "length: " << Fixed(f.seconds, 3) << " s\n"
              << "loop: "
              << (f.loop ? std::to_string(f.loop->start) + "-" + std::to_string(f.loop->end)
                         : std::string("none"))
              << '\n'
              << "peak: " << Fixed(level, 4)
              << (level > 0 ? " (" + Fixed(20 * std::log10(level), 1) + " dBFS)" : std::string())
              << std::endl;
}

nlohmann::ordered_json FactsJson(const ReadWave& read) {
    const Audio::WaveFacts& f = read.facts;
    nlohmann::ordered_json json = {
        {"format", f.format},     {"reason", f.reason}, {"sampleRate", f.sampleRate},
        {"channels", f.channels}, {"bits", f.bits},     {"frames", f.frames},
        {"seconds", f.seconds}};
    json["loop"] = f.loop ? nlohmann::ordered_json{{"start", f.loop->start}, {"end", f.loop->end}}
                          : nlohmann::ordered_json();
    json["peak"] = f.Readable() ? static_cast<double>(read.peaks.level) : 0.0;
    return json;
}

int Wave(const WaveOptions& o) {
    // One column: the peak level is all that is asked of the samples.
    const ReadWave read = ReadSlotWave(o, 1);
    if (o.json)
        std::cout << WriteJson(FactsJson(read)) << std::endl;
    else
        PrintFacts(read);
    return read.facts.format == "unreadable" ? 1 : 0;
}

int Waveform(const WaveOptions& o) {
    if (!o.svg)
        throw UsageError("the waveform is written as SVG only: give --svg");
    const int width = NumberArgument(o.width, 1, 20000, "width");
    const int height = NumberArgument(o.height, 2, 20000, "height");
    const ReadWave read = ReadSlotWave(o, width);
    if (!read.facts.Readable())
        throw Refusal("wave " + o.number + " has no picture: " + read.facts.reason);
    std::cout << WaveformSvg(read.peaks, read.facts, width, height) << std::flush;
    return 0;
}

} // namespace

void AddWaveCommands(CLI::App& app, std::function<int()>& run) {
    const auto options = std::make_shared<WaveOptions>();
    WaveOptions& o = *options;
    // A command on the wave of slot N of a project.
    const auto command = [&](const char* name, const char* about, int (*body)(const WaveOptions&)) {
        CLI::App* added = app.add_subcommand(name, about);
        added->add_option("PROJECT", o.project, "Project folder (.prj)")->required();
        added->add_option("N", o.number, "The wave's slot number")->required();
        added->callback(
            [&run, options, body] { run = [options, body] { return body(*options); }; });
        return added;
    };
    CLI::App* wave = command("wave",
                             "Show a wave's format, sample rate, channels, bits, length, loop and "
                             "peak level; exit status 1 when its file cannot be read",
                             Wave);
    wave->add_flag("--json", o.json, "Print the facts as one JSON object");
    CLI::App* waveform = command("waveform",
                                 "Write a wave's picture as an SVG document on standard output "
                                 "(the channels one above the other); exit status 1 when the wave "
                                 "has none",
                                 Waveform);
    waveform->add_flag("--svg", o.svg, "Write SVG (the one form there is)");
    waveform->add_option("--width", o.width, "Width in pixels, one column each (default 800)");
    waveform->add_option("--height", o.height, "Height in pixels (default 200)");
}

} // namespace Corv::Cli
