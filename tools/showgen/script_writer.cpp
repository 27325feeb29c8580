#include "script_writer.h"

#include <algorithm>
#include <charconv>

sCue AtBar(const sSongLayout& song, double bar, const std::string& keyword, float value) {
    return {song.BarToMs(bar), keyword, value};
}

std::string WriteScript(const std::vector<std::string>& loadList, std::vector<sCue> cues) {
    std::stable_sort(cues.begin(), cues.end(), [](const sCue& a, const sCue& b) { return a.ms < b.ms; });
    std::string out =
        "; The timeline of the bundled show, written by showgen.\n"
        "; Each event: music position in ms, keyword, value.\n"
        "load\n";
    for (const std::string& name : loadList) out += name + "\n";
    out += "demo\n";
    for (const sCue& c : cues) {
        // The shortest text that reads back as the same float.
        char value[32];
        auto result = std::to_chars(value, value + sizeof value, c.value);
        out += std::to_string(c.ms) + " " + c.keyword + " " + std::string(value, result.ptr) + "\n";
    }
    return out;
}
