// The timeline: every keyword the script may use, bound to the float it sets,
// and the script read into a list of timed events.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "support/string.h"
#include "support/text.h"

// Every keyword in registration order. A keyword's slot index is its position
// here; switches live in the switch array at that same index.
#define HDRIFT_TIMELINE_KEYWORDS(X)                                                                \
    X(BLANK) X(SHOWMODULEPOS) X(TITLE) X(TITLEROTX) X(TITLEROTY) X(TITLEROTZ)                      \
    X(TITLEDRIE) X(TITLEMS) X(LISSA) X(LISSAA) X(LISSAB) X(LISSAC)                                 \
    X(LISSABACK) X(LISSASPEED) X(LISSASHOW) X(LISSAERASE) X(LISSAERASERESET) X(TUNNEL)             \
    X(TUNNELFLASH) X(TUNNELZOOM) X(TOROID) X(ROTO) X(ROTODIRECTION) X(KNOT)                        \
    X(KNOTBLACK) X(BLOBMESH) X(DOTWALL) X(KWALLEN) X(RAYTRACE) X(THEEND)                           \
    X(VIERKANT) X(ZOOMER) X(BARS) X(BALLS) X(BILLBOARD) X(COLUMN)                                  \
    X(BLOBBALL) X(LISSALINES) X(BLOBTORUS) X(EXIT) X(COLUMNCAMERA) X(MOVIE)                        \
    X(NET5) X(TITLELINES) X(FADEFROMWHITE) X(FADETOWHITE) X(FADETIME) X(FADEFROMBLACK)             \
    X(FADETOBLACK) X(STARLOVE) X(RAYTRACEPLANE) X(RAYTRACEZ) X(PICTURE) X(COLUMNFRAME)             \
    X(CAMERAS) X(TITLELOGO) X(TITLESPEED) X(ZOOMSPEED) X(ZOOMTUNNELSPEED1) X(ZOOMTUNNELSPEED2)     \
    X(BARSSPEED) X(COLUMNSPEED) X(BLOBTORUSXSPEED) X(BLOBTORUSYSPEED) X(BLOBTORUSZSPEED)           \
    X(BLOBTORUSSPEED) X(NET5KWALLEN) X(OVERLAYB) X(OVERLAYW) X(OVERLAYNR) X(OVERLAYADD)            \
    X(CIRCLE) X(CIRCLESPEED) X(PIJLEN) X(PIJLENSPEED) X(CREDITS) X(CREDITNR)                       \
    X(CAMERASLEFT) X(CAMERASRIGHT) X(CAMERASMIDDEN) X(BALL) X(BALLXSPEED) X(BALLYSPEED)            \
    X(BALLZSPEED) X(BALLWIREFRAME) X(THEENDWIPE) X(CIRCLERESET) X(WALL) X(KWALLENCAMERA)           \
    X(KWALLENRESET) X(WALLSTEPS) X(KWALLENSTART) X(PICTURE2)

enum class Var : int {
#define HDRIFT_ENUM_ENTRY(name) name,
    HDRIFT_TIMELINE_KEYWORDS(HDRIFT_ENUM_ENTRY)
#undef HDRIFT_ENUM_ENTRY
    Count
};

constexpr int kVariableSlots = 256;
constexpr int kKeywordCount = static_cast<int>(Var::Count);
static_assert(kKeywordCount <= kVariableSlots);

constexpr uint32_t kSentinelPosition = 0x0FFFFFFF;

// One variable: its keyword (empty for unused slots) and the float it sets.
struct sFx {
    String keyword;
    float* target = nullptr;
};

// One timed event: at `position` ms of music, store `value` into the target
// of variable `variable`.
struct sEvent {
    uint32_t position;
    int32_t variable;
    float value;
};
static_assert(sizeof(sEvent) == 12);

// A value is off when every bit but the sign is zero: +0.0 and -0.0. Any
// other pattern, NaN and negatives included, is on.
bool SwitchOn(float value);

class cTimeline {
public:
    // Clears every switch, binds every keyword to its switch slot or its
    // parameter float, and sets ROTODIRECTION to 1.0.
    void RegisterVariables();
    // Reads the script through the line reader. Unknown keywords are fatal.
    void ReadScript(const char* fileName);
    void ReadScript(LineList& lines);

    // Index of the first entry whose lower-cased keyword equals `word`, or -1.
    int FindVariable(const String& word) const;

    // Stores the value of every event due at `position` (unsigned compare),
    // in list order; the sentinel stops the scan.
    void ApplyDueEvents(uint32_t position);

    float& Switch(Var v) { return switches[static_cast<int>(v)]; }
    bool On(Var v) const { return SwitchOn(switches[static_cast<int>(v)]); }
    bool WasOn(Var v) const { return SwitchOn(previous[static_cast<int>(v)]); }

    std::array<sFx, kVariableSlots> fx;
    std::array<float, kVariableSlots> switches{};
    std::array<float, kVariableSlots> previous{};
    std::vector<sEvent> events{{kSentinelPosition, 0, 0.0f}};
    size_t cursor = 0;
    std::vector<String> loadList{String("----")};
    int32_t startPosition = 0;
    bool hasStartSection = false;
};

// Keyword spelling as registered (upper case), for tools and messages.
const char* KeywordName(int index);
