// The byte machine run for a pre-scan of a file: the same states, escape
// sequences and code-set tables as pdi_putchar, with no executor called.
// Text runs, PDI instructions, incremental data, C0 controls and macro
// playback are collected and dropped; C1 controls, and the parameter bytes
// of the definition and repeat controls, go to the scan's own handler.
#pragma once

#include <cstdint>

namespace naplps {

// The scan's C1 handler: code and record as PDI_c1 takes them; non-zero
// when the control completes what the scan looks for.
using ScanC1 = int (*)(int code, int32_t *data);

// One byte through the machine on the live decoder state; 1 when the scan's
// handler reported a find for this byte, else 0. No macro capture: the bytes
// of a definition are scanned as ordinary bytes.
int scan_putchar(int byte, ScanC1 c1);

}  // namespace naplps
