// drift-tool script FILE: shows how the program reads a timeline script.
#include <cstdio>

#include "commands.h"
#include "kernel/services.h"
#include "kernel/timeline.h"

namespace {

// The tool prints the program's own message, nothing around it.
void PrintMessage(const char* message) {
    std::fprintf(stderr, "%s\n", message);
    std::fflush(stderr);
}

}  // namespace

int ScriptCommand(int argc, char** argv) {
    if (argc != 2) return UsageError();
    SetFatalReporter(PrintMessage);
    cTimeline timeline;
    timeline.RegisterVariables();
    timeline.ReadScript(argv[1]);

    for (const String& entry : timeline.loadList) {
        if (entry == "----") break;
        std::printf("load %s\n", entry.CStr());
    }
    if (timeline.hasStartSection) std::printf("start %d\n", timeline.startPosition);
    for (size_t i = 0; i + 1 < timeline.events.size(); ++i) {
        const sEvent& e = timeline.events[i];
        std::printf("event %u %s %.9g\n", e.position, KeywordName(e.variable), static_cast<double>(e.value));
    }
    return 0;
}
