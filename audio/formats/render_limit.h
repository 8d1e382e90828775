#pragma once

// The longest sound a module, a MIDI file or a repeating voice file may render. These formats
// describe sound compactly: a few bytes can ask for days of output, which nobody wants to
// catalogue or preview.
constexpr double kMaxRenderSeconds = 4 * 3600.0;
