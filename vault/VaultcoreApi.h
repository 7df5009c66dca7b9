#pragma once

// Export macro of the Vaultcore shared library.
#if defined(VAULTCORE_BUILD)
#define VAULTCORE_API __attribute__((visibility("default")))
#else
#define VAULTCORE_API
#endif
