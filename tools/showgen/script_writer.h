// Writes the timeline script from cues placed on the music's bars.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "soundtrack.h"

struct sCue {
    uint32_t ms;  // music position
    std::string keyword;
    float value;
};

// A cue at a (fractional) bar of the song.
sCue AtBar(const sSongLayout& song, double bar, const std::string& keyword, float value);

// The script text: a comment header, the load list, "demo", then one event
// per line in time order (cues at the same moment keep their given order,
// which decides which value wins and the order fades trigger in).
std::string WriteScript(const std::vector<std::string>& loadList, std::vector<sCue> cues);
