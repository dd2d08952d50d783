// A plain text log, one line per event, each beginning with the local time. Every line goes to
// the file at once, so that a run that is killed leaves a readable log up to its last event.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace corvid {

class TextLog {
public:
    // Lines go through `platform` (the real one, never a logging decorator over it).
    explicit TextLog(Platform& platform) : platform_(platform) {}

    // Creates or empties the file; false when it cannot be created.
    bool Open(const std::string& path);
    bool IsOpen() const { return stream_ != nullptr; }
    const std::string& Path() const { return path_; }

    // One line; carriage returns and line feeds inside the text become " / ". Nothing happens
    // while no file is open.
    void Line(const std::string& text);

private:
    Platform& platform_;
    std::unique_ptr<Stream> stream_;
    std::string path_;
};

} // namespace corvid
