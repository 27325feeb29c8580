// Binds effects to their keywords. Each effect adds its row to kBindings.
#include "effects/effects.h"

#include <array>

namespace {

struct sBinding {
    Var keyword;
    sEffect effect;
};

// Rows look like {Var::TUNNEL, {TunnelInit, TunnelRender, TunnelStop}}.
constexpr std::array<sBinding, 0> kBindings{};

std::array<sEffect, kKeywordCount>& Table() {
    static std::array<sEffect, kKeywordCount> table = [] {
        std::array<sEffect, kKeywordCount> t{};
        for (const sBinding& b : kBindings) t[static_cast<int>(b.keyword)] = b.effect;
        return t;
    }();
    return table;
}

sEffect g_overlay{};

}  // namespace

const sEffect& EffectFor(Var keyword) { return Table()[static_cast<int>(keyword)]; }
const sEffect& OverlayEffect() { return g_overlay; }

sEffect ReplaceEffect(Var keyword, const sEffect& effect) {
    sEffect previous = Table()[static_cast<int>(keyword)];
    Table()[static_cast<int>(keyword)] = effect;
    return previous;
}

sEffect ReplaceOverlayEffect(const sEffect& effect) {
    sEffect previous = g_overlay;
    g_overlay = effect;
    return previous;
}
