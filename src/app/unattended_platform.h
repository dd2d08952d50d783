// The platform of a setup started with options: it logs what the setup changes (when /log= asked
// for it) and, in a silent run, keeps the windows off the screen and answers the messages a
// person would have been asked, writing each with its answer to the log.
//
// The answers: a message with OK alone is acknowledged; Yes/No is answered Yes (the only such
// question at start-up removes an older version first); OK/Cancel is answered Cancel, which ends
// the setup where a person could only go on by changing something (space warnings, a missing
// disk in /verysilent, removing an older version before anything else). The abort dialog that
// follows is answered with its terminate button.
//
// /silent shows the progress window, and with it, once the installation has started, what a
// person nearby is there for: the disk prompt and the restart question (the run's only OK/Cancel
// questions) and the abort dialog they or the Exit button open.
#pragma once

#include "platform/logging_platform.h"

namespace corvid {

struct Context;

class UnattendedPlatform : public LoggingPlatform {
public:
    UnattendedPlatform(Platform& inner, TextLog& log) : LoggingPlatform(inner, log) {}

    // The setup's state; set once the context exists.
    Context* ctx = nullptr;

    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void AttachForm(Form& form) override;
    int ShowModal(Form& form) override;

private:
    bool OnScreen(const Form& form) const;
    bool PersonAsked(unsigned flags) const;
};

} // namespace corvid
