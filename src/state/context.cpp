#include "state/context.h"

#include "state/run_state.h"

namespace corvid {

Context::Context(Platform& p) : platform(p) {}
Context::~Context() = default;

void Context::ShowError(const std::string& message) {
    // The log as far as it got, for the uninstaller a terminate starts.
    if (run) run->log.TryFlush();
    platform.MessageBox(message, "Setup", mb::Ok | mb::IconStop);
}

int64_t RoundHalfEven(int64_t a, int64_t b) {
    int64_t q = a / b, r = a % b;
    if (r < 0) {
        r += b;
        --q;
    }
    if (2 * r > b || (2 * r == b && (q & 1))) ++q;
    return q;
}

} // namespace corvid
