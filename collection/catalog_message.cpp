#include "collection/catalog_message.h"

#include <cstdio>

namespace {

void WriteToStandardError(const char* text) {
    std::fprintf(stderr, "%s\n", text);
}

CatalogMessageHook currentHook = WriteToStandardError;

} // namespace

CatalogMessageHook SetCatalogMessageHook(CatalogMessageHook hook) {
    CatalogMessageHook previous = currentHook;
    currentHook = hook ? hook : WriteToStandardError;
    return previous;
}

void ShowCatalogMessage(const char* text) {
    currentHook(text ? text : "");
}

namespace {

bool actionsMarked = false;
unsigned long actionSerial = 0;

} // namespace

void BeginCatalogUserAction() {
    actionsMarked = true;
    ++actionSerial;
}

unsigned long CurrentCatalogUserAction() {
    return actionsMarked ? actionSerial : ++actionSerial;
}
