#include "cli/TerminalPrompts.h"

#include <cstdlib>

namespace vh {

namespace {

void printMessage(const std::string& caption, const std::string& text) {
    std::string line = text;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    if (caption.empty()) std::fprintf(stderr, "vhradio: %s\n", line.c_str());
    else std::fprintf(stderr, "vhradio: %s: %s\n", caption.c_str(), line.c_str());
}

}  // namespace

bool TerminalPrompts::askOkCancel(const std::string& caption, const std::string& text) {
    printMessage(caption, text);
    return false;
}

void TerminalPrompts::message(const std::string& caption, const std::string& text) {
    printMessage(caption, text);
}

void TerminalPrompts::endRun(int) {
    std::fflush(stdout);
    std::exit(kDiscNotFound);
}

}  // namespace vh
