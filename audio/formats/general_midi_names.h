#pragma once

// Names of the General MIDI Level 1 sound set (programs 0-127) and percussion key map
// (keys 35-81), as the standard spells them. Null outside those ranges.
const char* GeneralMidiProgramName(int program);
const char* GeneralMidiPercussionName(int key);
