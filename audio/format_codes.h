#pragma once

// File format codes, shared by every reader, writer and the engine.
enum FileFormatCode : int {
    FileFormatWave = 1,
    FileFormatAu = 2,
    FileFormatAiff = 3, // AIFF and AIFF-C
    FileFormatMpeg = 4,
    FileFormatMidi = 5,
    FileFormatIff = 6, // IFF/8SVX
    FileFormatMod = 7,
    FileFormatVoc = 8,
};

// Compression codes of the decoded stream; the same numbers select a writer's encoding.
// Codes 0, 1 and 12-15 are not assigned.
enum CompressionCode : int {
    CompressionMuLaw = 2,         // G.711 mu-law, 8 bits
    CompressionALaw = 3,          // G.711 A-law, 8 bits
    CompressionMpegLayer1 = 4,    //
    CompressionMpegLayer2 = 5,    //
    CompressionMpegLayer3 = 6,    //
    CompressionImaAdpcmWave = 7,  // IMA ADPCM, 4 bits, WAVE block layout
    CompressionImaAdpcmApple = 8, // IMA ADPCM, 4 bits, AIFF-C "ima4" packets
    CompressionMsAdpcm = 9,       // Microsoft ADPCM, 4 bits
    CompressionDpcmExponential = 10,
    CompressionDpcmFibonacci = 11,
    CompressionPcm8 = 16,
    CompressionPcm16 = 17,
    CompressionPcm24 = 18,
    CompressionPcm32 = 19,
    CompressionFloat32 = 20, // IEEE float, 32 bits
};
