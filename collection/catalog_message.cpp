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
