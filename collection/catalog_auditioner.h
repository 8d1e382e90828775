// The catalog's preview player: it plays only sounds the catalog could hold.
#pragma once

#include "audio/engine/auditioner.h"

class AI_Auditioner : public PN_Auditioner {
public:
    using PN_Auditioner::PN_Auditioner;
    // Refuses a file whose format, resolution or channels the catalog cannot hold (the
    // caller reports the refusal), and anything that is not a file's decoder.
    bool AcceptDecoder(CAP_AudioContainer* decoder) override;
};
