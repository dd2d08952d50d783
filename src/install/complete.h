// The completion dialog Tcomplete: the installation run's last step shows it modally, and it
// ends the program.
#pragma once

namespace corvid {

struct Context;

// Shows the completion dialog modally; the program ends from there.
void OpenCompletionDialog(Context& ctx);

} // namespace corvid
