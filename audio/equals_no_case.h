#pragma once

// True when both texts are null, or both are present and equal after lower-casing ASCII
// letters. File extensions are compared with it.
bool EqualsNoCase(const char* a, const char* b);
