#pragma once

// Where the catalog shows its message boxes (OK button, no caption of its own). The default
// writes the text to standard error; the application installs one that shows a message box,
// and a test installs one that records the text.
using CatalogMessageHook = void (*)(const char* text);

// Installs hook (null restores the default) and returns the previous one.
CatalogMessageHook SetCatalogMessageHook(CatalogMessageHook hook);

void ShowCatalogMessage(const char* text);

// What a user does (a click, a key) is one action however many catalog calls it makes: a
// lost connection is told once per action, and only a new action tries to connect again.
// The application marks where each action begins; where nothing does (tools, tests without
// windows), every catalog call counts as an action of its own.
void BeginCatalogUserAction();
// The serial of the action under way.
unsigned long CurrentCatalogUserAction();
