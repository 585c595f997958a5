// vhradio: the command-line side of Varnholt Radio. It works in the current
// directory like the desktop program: CACHE first, then the disc.

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/TerminalPrompts.h"
#include "gamedata/GameData.h"

using namespace vh;

int main(int argc, char** argv) {
    CLI::App app{"Varnholt Radio command-line tool: browse, decode and export the game's radio audio", "vhradio"};
    app.require_subcommand(1);
    std::string discDir;
    app.add_option("--disc", discDir, "A folder holding the disc's AUDIO folder, instead of searching the drives");

    auto* stations = app.add_subcommand("stations", "List the 16 stations: index, pakName, displayName, listed, clipCount");
    auto* clips = app.add_subcommand("clips", "List a station's clip slots: index, class, intros, outros, offset, length, artist, title");
    std::string clipsStation;
    clips->add_option("STATION", clipsStation, "Station index 0-15 or pakName")->required();

    auto* decode = app.add_subcommand("decode", "Decode one clip (without intros or outros) to a 24000 Hz WAV file");
    std::string decodeStation, decodeClipIndex, decodeOut;
    decode->add_option("STATION", decodeStation, "Station index 0-15 or pakName")->required();
    decode->add_option("CLIP", decodeClipIndex, "Clip index within the station")->required();
    decode->add_option("OUT", decodeOut, "Output WAV file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : cli::kUsage;
    }

    TerminalPrompts prompts;
    DiscCandidates candidates = discDir.empty() ? DiscCandidates(defaultDiscCandidates)
                                                : DiscCandidates([discDir] { return std::vector<fs::path>{discDir}; });
    auto data = std::make_unique<GameData>(prompts, candidates);
    data->loadCatalogue();

    if (*stations) return cli::listStations(*data, std::cout);
    if (*clips) return cli::listClips(*data, clipsStation, std::cout, std::cerr);
    if (*decode) return cli::decodeClip(*data, decodeStation, decodeClipIndex, decodeOut, std::cerr);
    return cli::kUsage;
}
