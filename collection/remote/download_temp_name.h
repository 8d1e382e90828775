#pragma once
// Names of the temporary files that downloads go into.

#include <string>

// A new, empty file in the temporary folder named "vr_" plus a unique part and the extension
// of the format (1 ".wav", 2 ".au", 3 ".aiff", 4 ".mp3", nothing for other codes). The file
// is created here so that no other process can take the name. Empty when that fails.
std::string DownloadTempFileName(int format);
