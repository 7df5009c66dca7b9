#pragma once

#include "foundation/TesselcoreApi.h"

namespace platform {

// Keeps the process's memory, where the master password and entries pass
// through, out of reach: no core file on a crash, and no reading or tracing
// by other processes of the same user (ptrace, /proc/PID/mem). True when
// both took effect.
TESSELCORE_API bool ProtectProcessMemory();

} // namespace platform
