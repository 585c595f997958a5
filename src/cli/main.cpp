// vhradio: the command-line side of Varnholt Radio. It works in the current
// directory like the desktop program: CACHE first, then the disc.

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>
#include <memory>
#include <unistd.h>

#include "cli/Commands.h"
#include "demo/DemoDisc.h"
#include "cli/TerminalPrompts.h"
#include "gamedata/GameData.h"

using namespace vh;

namespace {

volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }
bool stopRequested() { return interrupted != 0; }

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Varnholt Radio command-line tool: browse, play, decode and export the game's radio audio",
                 "vhradio"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vhradio " VH_VERSION);
    std::string discDir;
    app.add_option("--disc", discDir,
                   "A folder holding the disc's AUDIO folder, or an ISO 9660 image of the disc, instead of "
                   "searching the drives");

    app.add_subcommand("stations", "List the 16 stations: index, pakName, displayName, listed, clipCount");

    auto* clips = app.add_subcommand(
        "clips", "List a station's clip slots: index, class, intros, outros, offset, length, artist, title");
    std::string clipsStation;
    clips->add_option("STATION", clipsStation, "Station index 0-15 or pakName")->required();

    auto* decode = app.add_subcommand("decode", "Decode one clip (without intros or outros) to a 24000 Hz WAV file");
    std::string decodeStation, decodeClipIndex, decodeOut;
    decode->add_option("STATION", decodeStation, "Station index 0-15 or pakName")->required();
    decode->add_option("CLIP", decodeClipIndex, "Clip index within the station")->required();
    decode->add_option("OUT", decodeOut, "Output WAV file")->required();

    auto* play = app.add_subcommand("play", "Play a clip (STATION CLIP) or a playlist file (PLAYLIST.vhcd)");
    std::vector<std::string> playArgs;
    play->add_option("WHAT", playArgs, "STATION CLIP, or PLAYLIST.vhcd")->required()->expected(1, 2);

    auto* exportCmd = app.add_subcommand(
        "export", "Export a playlist file as a CD image (WAV + CUE), a WAV file or one audio file per CD track");
    bool exportCd = false, exportWave = false;
    std::string layout, trackFormat;
    cli::ExportRequest exportRequest;
    auto* cdFlag = exportCmd->add_flag("--cd", exportCd, "44100 Hz WAV file and CUE sheet");
    auto* waveFlag = exportCmd->add_flag("--wave", exportWave, "24000 Hz WAV file");
    auto* tracksFlag = exportCmd->add_flag("--tracks", exportRequest.tracks,
                                           "One tagged audio file per CD track and an M3U8 playlist, into the folder OUT");
    cdFlag->excludes(waveFlag);
    tracksFlag->excludes(cdFlag)->excludes(waveFlag);
    exportCmd->add_flag("--cd-text", exportRequest.cdText, "With --cd: titles and performers in the CUE sheet (CD-TEXT)")
        ->needs(cdFlag);
    exportCmd->add_option("--format", trackFormat, "With --tracks: flac (default), mp3 or opus")
        ->check(CLI::IsMember({"flac", "mp3", "opus"}))
        ->needs(tracksFlag);
    auto* rateOption = exportCmd->add_option("--rate", exportRequest.rate, "With --tracks: FLAC at 24000 (default) or 44100 Hz")
                           ->check(CLI::IsMember({24000, 44100}))
                           ->needs(tracksFlag);
    exportCmd->add_option("--layout", layout, "CD tracks per clip or per song (default: Options.dat)")
        ->check(CLI::IsMember({"clip", "song"}));
    exportCmd->add_option("PLAYLIST", exportRequest.playlist, "Playlist file (.vhcd)")->required();
    exportCmd->add_option("OUT", exportRequest.out, "Output WAV file (.wav), or the folder for --tracks")->required();

    auto* tool = app.add_subcommand("tool", "Run a playlist tool and write the resulting playlist");
    cli::ToolRequest toolRequest;
    uint32_t seed = 0;
    tool->add_option("TOOL", toolRequest.tool, "add-songs, randomize-intros, pad, music-mix or radio-mix")
        ->required()
        ->check(CLI::IsMember({"add-songs", "randomize-intros", "pad", "music-mix", "radio-mix"}));
    tool->add_option("STATION", toolRequest.station, "Station index 0-15 or pakName")->required();
    tool->add_option("IN", toolRequest.in, "Playlist to start from, or - for an empty one")->required();
    tool->add_option("OUT", toolRequest.out, "Playlist file to write")->required();
    auto* seedOption = tool->add_option("--seed", seed, "Seed the random generator (default: the clock)");

    auto* copyCache = app.add_subcommand("copy-cache", "Copy the disc's audio files into CACHE/ in this folder");

    auto* makeDemo = app.add_subcommand("make-demo", "Write a synthetic demo disc and its catalogue file into DIR");
    std::string demoDir;
    uint32_t demoSeed = 1;
    makeDemo->add_option("DIR", demoDir, "Folder to write")->required();
    makeDemo->add_option("--seed", demoSeed, "Seed of the synthesis");

    auto* catalogue = app.add_subcommand(
        "catalogue", "Export the catalogue as editable text, import an edited text, or check the catalogue file");
    catalogue->require_subcommand(1);
    cli::CatalogueRequest catalogueRequest;
    catalogue->add_subcommand("export", "Write the catalogue in use (or the defaults) as UTF-8 tab-separated text")
        ->add_option("OUT", catalogueRequest.text, "Text file to write (.tsv)")
        ->required();
    auto* catalogueImport =
        catalogue->add_subcommand("import", "Build a catalogue file for the disc at hand from a catalogue text");
    catalogueImport->add_option("IN", catalogueRequest.text, "Catalogue text to read (.tsv)")->required();
    catalogueImport->add_option("OUT", catalogueRequest.file, "File to write (default: VarnholtRadioInfo.dat here)");
    catalogue->add_subcommand("check", "Compare the catalogue file with the disc as the program does at start-up")
        ->add_option("FILE", catalogueRequest.file, "File to check (default: VarnholtRadioInfo.dat here)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int code = app.exit(e);
        return code == 0 ? 0 : cli::kUsage;
    }

    if (*makeDemo) {
        if (demoDir.empty()) {
            std::cerr << "vhradio: make-demo needs a folder name\n";
            return cli::kUsage;
        }
        std::string error;
        if (!writeDemoDisc(demoDir, demoSeed, error)) {
            std::cerr << "vhradio: " << error << "\n";
            return cli::kFailure;
        }
        return cli::kOk;
    }
    if (*exportCmd && !exportCd && !exportWave && !exportRequest.tracks) {
        std::cerr << "vhradio: export needs --cd, --wave or --tracks\n";
        return cli::kUsage;
    }
    if (!trackFormat.empty()) exportRequest.format = cli::trackFormatNamed(trackFormat);
    if (*rateOption && exportRequest.rate != 24000 && exportRequest.format != TrackFormat::Flac) {
        std::cerr << "vhradio: --rate 44100 is for FLAC; MP3 and Opus are written at 24000 Hz\n";
        return cli::kUsage;
    }

    TerminalPrompts prompts;
    DiscCandidates candidates = discDir.empty() ? DiscCandidates(defaultDiscCandidates)
                                                : DiscCandidates([discDir] { return std::vector<fs::path>{discDir}; });
    auto data = std::make_unique<GameData>(prompts, candidates);
    if (*catalogue) {
        catalogueRequest.action = catalogue->get_subcommands().front()->get_name();
        return cli::catalogueCommand(*data, catalogueRequest, std::cout, std::cerr);
    }
    data->loadCatalogue();

    const bool terminal = isatty(STDERR_FILENO);
    if (app.got_subcommand("stations")) return cli::listStations(*data, std::cout, std::cerr);
    if (*clips) return cli::listClips(*data, clipsStation, std::cout, std::cerr);
    if (*decode) return cli::decodeClip(*data, decodeStation, decodeClipIndex, decodeOut, std::cerr);
    if (*play) {
        cli::PlayRequest request;
        if (playArgs.size() == 2) {
            request.station = playArgs[0];
            request.clip = playArgs[1];
        } else {
            request.playlist = playArgs[0];
        }
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        return cli::play(*data, request, stopRequested, std::cerr, std::cerr);
    }
    if (*exportCmd) {
        exportRequest.cdImage = exportCd;
        if (!layout.empty()) exportRequest.layout = layout == "song" ? 1 : 0;
        exportRequest.progress = terminal;
        return cli::exportCommand(*data, exportRequest, std::cerr, std::cerr);
    }
    if (*tool) {
        if (*seedOption) toolRequest.seed = seed;
        return cli::toolCommand(*data, toolRequest, std::cerr);
    }
    if (*copyCache) return cli::copyCacheCommand(*data, terminal, std::cerr, std::cerr);
    return cli::kUsage;
}
