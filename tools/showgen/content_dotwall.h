// The dot wall's cues (it is procedural and brings no files).
#pragma once

#include <vector>

#include "script_writer.h"
#include "soundtrack.h"

// On at fromBar, off at toBar.
void DotwallCues(const sSongLayout& song, double fromBar, double toBar, std::vector<sCue>& cues);
