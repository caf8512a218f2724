#pragma once
// The strings the probe module carries, shared by the generator and the tests.
#include <string>
#include <utility>
#include <vector>

inline const std::vector<std::pair<unsigned, std::string>>& ProbeStrings() {
    static const std::vector<std::pair<unsigned, std::string>> strings = {
        {0, "&Italiano"},
        {3, ""},
        {7, "Perch\xe8 gi\xf9 \x80"},
        {254, std::string(254, 'a')},
        {255, std::string(255, 'b')},
        {256, std::string(300, 'c')},
        {999, "last"},
    };
    return strings;
}
