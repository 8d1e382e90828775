// Progress reports of the sound engine's long operations.
#pragma once

// Called with the caller's data, a short text and a percentage; answers true to go on.
using CAP_ProgressCallback = bool (*)(void* user, const char* text, int percent);
