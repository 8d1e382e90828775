#pragma once

#include <cstddef>

struct BuiltInTable {
    const char* const* lines;
    std::size_t count;
};

extern const BuiltInTable kBuiltInEffects;
extern const BuiltInTable kBuiltInInstruments;
extern const BuiltInTable kBuiltInGenres;
