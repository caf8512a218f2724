#pragma once
// A set of values the unit must hold together (references that must rise,
// the two words of one sensor law), written through the image's setters:
// all of them, or none when the unit refuses one. A link lost on the way
// leaves nothing to put back with: the result then names the parts of the
// set that the unit may hold half old, half new, for the user to check.
#include <functional>
#include <string>
#include <vector>

struct TValueWrite {
    double before;
    double after;
    std::function<bool(double)> set;
    // The part of the set it belongs to, by the index of the part's text.
    int part = 0;
};

struct TWriteResult {
    bool written = false;
    // The parts, in order, that may hold old and new values mixed; none
    // when a write failed and the unit kept every previous value.
    std::vector<int> mixed;
};

// Whether the link to the unit is open.
bool LinkOpen();

// Writes every value in order. When one fails, those already written get
// their previous values back, as far as the link lets; linked tells
// whether the link is open.
TWriteResult WriteAllOrNone(const std::vector<TValueWrite>& writes,
                            const std::function<bool()>& linked = LinkOpen);

// The message of a write that did not go through: the first line, then
// that the unit kept its previous values, or which parts it may hold only
// in part (partTexts by part index).
std::string WriteFailureText(const TWriteResult& result, const std::string& first,
                             const std::vector<std::string>& partTexts);
