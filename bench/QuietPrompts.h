#pragma once

#include <cstdio>
#include <string>

#include "gamedata/Prompts.h"

namespace vh {

// Benchmarks run without a person: questions are answered Cancel, messages
// go to stderr, and nothing ends the run.
struct QuietPrompts : Prompts {
    bool askOkCancel(const std::string&, const std::string&) override { return false; }
    void message(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    void endRun(int) override {}
};

}  // namespace vh
