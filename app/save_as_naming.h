#pragma once

#include <string>

// The naming rules of the editor's "Save As": what the dialog proposes and what its
// answer becomes. Format codes: 1 WAVE, 2 AU, 3 AIFF. Filter indexes (1-based) follow the
// dialog's filter list: 1 AIFF, 2 AU, 3 WAVE.

struct SaveAsProposal {
    std::string name;      // the proposed file name or path
    int filterIndex;       // 1, 2 or 3
    std::string extension; // ".aiff", ".au" or ".wav"
    int encoding;          // 2, 3 or 16-20; anything else becomes 17
};

// savePath: the folder of the last Save As (with its trailing slash) or empty.
SaveAsProposal ProposeSaveAsName(const std::string& savePath, const std::string& path, int format,
                                 int encoding);

struct SaveAsChoice {
    std::string path;     // the chosen path, with the extension when its name had no "."
    int format;           // 3 AIFF, 2 AU, 1 WAVE
    std::string savePath; // the chosen path up to and including its last slash
};

SaveAsChoice FinishSaveAsName(const std::string& chosenPath, int filterIndex);
