// The sleep of the batch tools: select() for the given milliseconds. The
// plug-in never sleeps; tests and tools replace it through nxg.sleep_ms.
#include <sys/select.h>

#include "nxg/nxg.h"

namespace naplps {

void NXG_sleep_ms(int ms) {
    if (ms <= 0) return;
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    select(0, nullptr, nullptr, nullptr, &tv);
}

// The hook that would stop a periodic tick: the host drives blinking and
// pauses itself.
void tmrset() {}

}  // namespace naplps
