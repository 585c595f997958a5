#pragma once

#include <cstdio>
#include <string>

#include "gamedata/Prompts.h"

namespace vh {

// Prompts for a terminal program: nobody can insert a disc mid-command, so the
// disc question is answered "Cancel" after its text is printed, and ending the
// run exits with kDiscNotFound.
class TerminalPrompts : public Prompts {
public:
    static constexpr int kDiscNotFound = 3;

    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void message(const std::string& caption, const std::string& text) override;
    void endRun(int exitCode) override;
};

}  // namespace vh
