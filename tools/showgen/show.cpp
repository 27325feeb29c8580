#include "show.h"

#include <string>

namespace {

const sSection* FindSection(const sSongLayout& song, const std::string& name) {
    for (const sSection& s : song.sections)
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace

std::vector<sCue> ShowCues(const sSongLayout& song) {
    std::vector<sCue> cues;
    auto at = [&](double bar, const char* keyword, float value) { cues.push_back(AtBar(song, bar, keyword, value)); };
    const double barMs = song.BarToMs(1) - song.BarToMs(0);
    const int lastBar = song.TotalBars();

    // The music starts over black, which opens up slowly.
    at(0, "fadetime", 2500);
    at(0, "blank", 1);
    at(0, "fadefromblack", 1);

    // After the first section the still picture comes up with a flash of
    // white; it also loads the effects kept back until then.
    const sSection* second = song.sections.size() > 1 ? &song.sections[1] : nullptr;
    if (second) {
        at(second->firstBar, "fadetime", static_cast<float>(barMs));
        at(second->firstBar, "picture", 1);
        at(second->firstBar, "blank", 0);
        at(second->firstBar, "fadefromwhite", 1);
    }
    // Every later section change flashes.
    for (size_t i = 2; i < song.sections.size(); ++i) at(song.sections[i].firstBar, "fadefromwhite", 1);

    // The outro fades to black over its last four bars and stays black.
    const sSection* outro = FindSection(song, "outro");
    double fadeBar = (outro ? outro->firstBar + outro->bars : lastBar) - 4;
    at(fadeBar, "fadetime", static_cast<float>(4 * barMs));
    at(fadeBar, "fadetoblack", 1);
    at(fadeBar + 4, "picture2", 0);
    at(fadeBar + 4, "blank", 1);

    cues.push_back({song.LengthMs() + 1000, "exit", 1});
    return cues;
}
