// Variable registration, script reading and event application.
#include "kernel/timeline.h"

#include <cstring>

#include "effects/parameters.h"
#include "kernel/parameters.h"
#include "kernel/services.h"

namespace {

const char* const kKeywordNames[] = {
#define HDRIFT_NAME_ENTRY(name) #name,
    HDRIFT_TIMELINE_KEYWORDS(HDRIFT_NAME_ENTRY)
#undef HDRIFT_NAME_ENTRY
};

struct sParameterBinding {
    Var keyword;
    float* target;
};

// Every keyword not listed here is a switch.
const sParameterBinding kParameters[] = {
    {Var::SHOWMODULEPOS, &kernel_params::showModulePos},
    {Var::TITLEROTX, &title::rotX},
    {Var::TITLEROTY, &title::rotY},
    {Var::TITLEROTZ, &title::rotZ},
    {Var::TITLEDRIE, &title::drie},
    {Var::TITLEMS, &title::ms},
    {Var::LISSAA, &kernel_params::lissaA},
    {Var::LISSAB, &kernel_params::lissaB},
    {Var::LISSAC, &kernel_params::lissaC},
    {Var::LISSASPEED, &kernel_params::lissaSpeed},
    {Var::LISSASHOW, &kernel_params::lissaShow},
    {Var::LISSAERASE, &kernel_params::lissaErase},
    {Var::LISSAERASERESET, &kernel_params::lissaEraseReset},
    {Var::TUNNELFLASH, &tunnel::flash},
    {Var::TUNNELZOOM, &tunnel::zoom},
    {Var::ROTODIRECTION, &roto::direction},
    {Var::KNOTBLACK, &knot::black},
    {Var::LISSALINES, &kernel_params::lissaLines},
    {Var::COLUMNCAMERA, &column::camera},
    {Var::TITLELINES, &title::lines},
    {Var::FADETIME, &kernel_params::fadeTime},
    {Var::RAYTRACEPLANE, &raytrace::plane},
    {Var::RAYTRACEZ, &raytrace::z},
    {Var::COLUMNFRAME, &column::frame},
    {Var::TITLELOGO, &title::logo},
    {Var::TITLESPEED, &title::speed},
    {Var::ZOOMSPEED, &zoomer::speed},
    {Var::ZOOMTUNNELSPEED1, &zoomer::tunnelSpeed1},
    {Var::ZOOMTUNNELSPEED2, &zoomer::tunnelSpeed2},
    {Var::BARSSPEED, &bars::speed},
    {Var::COLUMNSPEED, &column::speed},
    {Var::BLOBTORUSXSPEED, &blobtorus::xSpeed},
    {Var::BLOBTORUSYSPEED, &blobtorus::ySpeed},
    {Var::BLOBTORUSZSPEED, &blobtorus::zSpeed},
    {Var::BLOBTORUSSPEED, &blobtorus::speed},
    {Var::NET5KWALLEN, &net5::kwallen},
    {Var::OVERLAYNR, &overlay::number},
    {Var::OVERLAYADD, &overlay::add},
    {Var::CIRCLESPEED, &circle::speed},
    {Var::PIJLENSPEED, &pijlen::speed},
    {Var::CREDITNR, &credits::number},
    {Var::CAMERASLEFT, &cameras::left},
    {Var::CAMERASRIGHT, &cameras::right},
    {Var::CAMERASMIDDEN, &cameras::midden},
    {Var::BALLXSPEED, &ball::xSpeed},
    {Var::BALLYSPEED, &ball::ySpeed},
    {Var::BALLZSPEED, &ball::zSpeed},
    {Var::BALLWIREFRAME, &ball::wireframe},
    {Var::THEENDWIPE, &theend::wipe},
    {Var::CIRCLERESET, &circle::reset},
    {Var::KWALLENCAMERA, &kwallen::camera},
    {Var::KWALLENRESET, &kwallen::reset},
    {Var::WALLSTEPS, &wall::steps},
    {Var::KWALLENSTART, &kwallen::start},
};

}  // namespace

bool SwitchOn(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits & 0x7FFFFFFFu) != 0;
}

const char* KeywordName(int index) {
    return index >= 0 && index < kKeywordCount ? kKeywordNames[index] : "";
}

void cTimeline::RegisterVariables() {
    switches.fill(0.0f);
    previous.fill(0.0f);
    fx = {};
    for (int i = 0; i < kKeywordCount; ++i) {
        fx[i].keyword = kKeywordNames[i];
        fx[i].target = &switches[i];
    }
    for (const sParameterBinding& p : kParameters) fx[static_cast<int>(p.keyword)].target = p.target;
    roto::direction = 1.0f;
}

int cTimeline::FindVariable(const String& word) const {
    for (int i = 0; i < kVariableSlots; ++i)
        if (!fx[i].keyword.Empty() && fx[i].keyword.Lower() == word) return i;
    return -1;
}

void cTimeline::ReadScript(const char* fileName) {
    LineList lines = LineList::FromFile(fileName, true);
    ReadScript(lines);
}

void cTimeline::ReadScript(LineList& lines) {
    loadList.clear();
    events.clear();
    cursor = 0;
    startPosition = 0;
    hasStartSection = false;

    String line = lines.FirstLine();
    Log("skipping crap");
    while (!(line == kEndMarker) && !(line == "load")) line = lines.NextLine();

    Log("loading loadlist");
    if (line == "load") {
        while (!(line == kEndMarker) && !(line == "demo") && !(line == "start")) {
            loadList.push_back(line);
            line = lines.NextLine();
        }
    }
    loadList.emplace_back("----");

    if (line == "start") {
        hasStartSection = true;
        line = lines.NextLine();
        WordList words(line);
        Log("starting pos:%s", line.CStr());
        startPosition = DecimalInt(words.Word(0));
        Log("starting pos:%x", static_cast<unsigned>(startPosition));
    }

    while (!(line == kEndMarker) && !(line == "demo")) line = lines.NextLine();
    line = lines.NextLine();

    Log("loading playlist");
    while (!(line == kEndMarker)) {
        if (!line.Empty()) {
            WordList words(line);
            sEvent event;
            event.position = static_cast<uint32_t>(DecimalInt(words.Word(0)));
            String keyword = words.Word(1);
            event.variable = FindVariable(keyword);
            if (event.variable < 0) FatalError("Unknown effect: %s", keyword.CStr());
            event.value = DecimalFloat(words.Word(2));
            events.push_back(event);
        }
        line = lines.NextLine();
    }
    events.push_back({kSentinelPosition, 0, 0.0f});
}

void cTimeline::ApplyDueEvents(uint32_t position) {
    // The sentinel's position is below a negative (huge unsigned) position,
    // so the cursor is also stopped explicitly at the last entry.
    while (cursor + 1 < events.size() && events[cursor].position <= position) {
        const sEvent& e = events[cursor];
        if (float* target = fx[e.variable].target) *target = e.value;
        ++cursor;
    }
}
