#include "content_dotwall.h"

void DotwallCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues) {
    // The wall has no parameters: its dots pulse with the clock on their own.
    cues.push_back(AtBar(song, fromBar, "dotwall", 1));
    cues.push_back(AtBar(song, toBar, "dotwall", 0));
}
