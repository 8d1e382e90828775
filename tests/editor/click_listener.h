// A parent node that keeps the reports its children send up.
#pragma once

#include <utility>
#include <vector>

#include "editor/toolkit/graphic.h"

class ClickListener : public CGP_Graphic {
public:
    using CGP_Graphic::CGP_Graphic;
    bool Notify(int event, CGP_Graphic* sender) override {
        reports.emplace_back(event, sender);
        return true;
    }
    std::vector<std::pair<int, CGP_Graphic*>> reports;
};
