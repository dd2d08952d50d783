// The installation run: every phase from the progress window's first activation to the
// completion dialog, in its fixed order.
#pragma once

namespace corvid {

struct Context;
class Tcopying;

// Runs the installation in the progress window. Throws RunTerminated when a pause point finds
// the application asked to end, and the run-time's errors (file, profile, archive) where they
// happen; what was done stays done.
void RunInstallation(Context& ctx, Tcopying& window);

} // namespace corvid
