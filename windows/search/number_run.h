#pragma once

#include <string>

// A typed number field: the run of digits, points and minus signs that starts the text (blanks
// around the text ignored), and what follows it, without blanks (a unit). False when the text
// starts with anything else.
struct NumberRun {
    std::string number;
    std::string rest;
};
bool SplitNumberRun(const std::string& text, NumberRun& out);
