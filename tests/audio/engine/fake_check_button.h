// A play button of the tests' own: it keeps the state the player last set and counts the calls.
#pragma once

#include "audio/engine/auditioner.h"

class FakeButton : public PN_CheckButton {
public:
    void SetCheck(bool checked) override {
        this->checked = checked;
        ++calls;
    }
    bool checked = true;
    int calls = 0;
};
