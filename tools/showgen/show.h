// The choreography of the bundled show: which effects run when, placed on
// the soundtrack's sections and bars.
#pragma once

#include <vector>

#include "script_writer.h"
#include "soundtrack.h"

std::vector<sCue> ShowCues(const sSongLayout& song);
