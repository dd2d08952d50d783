#include "state/run_state.h"

namespace corvid {

void RunState::Log(const std::string& section, const std::string& key, const std::string& value) {
    if (!uniyes) return;
    if (!platform.WriteProfileString(logPath, section, key, value))
        throw RuntimeError("Kann nicht nach " + logPath + " schreiben");
}

void RunState::Log(const std::string& section, const std::string& key, int64_t value) {
    Log(section, key, std::to_string(value));
}

} // namespace corvid
