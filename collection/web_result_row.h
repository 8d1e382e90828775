#pragma once

#include <string>
#include <vector>

#include "audio/sound_signature.h"

// The pitch variant of a remote hit, field for field a SOUND row of the catalog.
struct WebResultSound {
    int fileId = 0; // the server's id of the file
    int sampleRate = 0;
    int duration = 0; // milliseconds
    int bpm = 0;
    int key = 0;
    SoundSignature signature = {};
    std::vector<unsigned char> data; // waveform summary; its size is the data length
};

// One hit of a remote search reply, parsed.
struct WebResultRow {
    std::string url;
    int fileSampleRate = 0;
    int ints[10] = {};     // INT0-INT9 as in the catalog
    std::string texts[10]; // TEXT0-TEXT9 as in the catalog
    WebResultSound sound;
    int score = 0;
};
