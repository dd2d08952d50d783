// Until the completion dialog exists the program ends as if its OK button had been pressed.
#include "install/complete.h"

#include "app/context.h"

namespace corvid {

void OpenCompletionDialog(Context& ctx) {
    ctx.platform.Terminate();
}

} // namespace corvid
