#pragma once

// Export macro of the Tesselcore shared library.
#if defined(TESSELCORE_BUILD)
#define TESSELCORE_API __attribute__((visibility("default")))
#else
#define TESSELCORE_API
#endif
