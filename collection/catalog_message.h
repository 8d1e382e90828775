#pragma once

// Where the catalog shows its message boxes (OK button, no caption of its own). The default
// writes the text to standard error; the application installs one that shows a message box,
// and a test installs one that records the text.
using CatalogMessageHook = void (*)(const char* text);

// Installs hook (null restores the default) and returns the previous one.
CatalogMessageHook SetCatalogMessageHook(CatalogMessageHook hook);

void ShowCatalogMessage(const char* text);
