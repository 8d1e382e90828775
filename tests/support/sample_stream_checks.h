#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio_abstract.h"

// Pulls samples until the reader gives no more or limit samples have come.
std::vector<float> ReadAllSamples(AudioAbstract& reader, std::size_t limit = 50'000'000);

// The text of the SoundError that the action throws, or "" when it throws none.
std::string SoundErrorText(const std::function<void()>& action);

// Damaged copies of a valid file, the same for every run: truncations at many lengths, copies
// with a few bytes overwritten (header bytes more often than others), and pure noise.
std::vector<std::vector<std::uint8_t>> MalformedCopies(const std::vector<std::uint8_t>& valid,
                                                       int count, std::uint32_t seed,
                                                       std::size_t headerBytes = 64);

// Zero crossings from below to above per second of the samples taken at the rate.
double RisingCrossingsPerSecond(const std::vector<float>& samples, int rate, std::size_t begin,
                                std::size_t end, int stride = 1, int offset = 0);

// The largest magnitude among samples[begin, end), cut to the samples there are.
float Peak(const std::vector<float>& samples, std::size_t begin, std::size_t end);
