// drift-tool: builds, lists and unpacks data libraries from the command line.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

struct sCommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* usage;
};

const sCommand kCommands[] = {
    {"pack", PackCommand, "pack LIB FILE...        write a library holding the files"},
    {"list", ListCommand, "list LIB                name, unpacked and packed size of each entry"},
    {"extract", ExtractCommand, "extract LIB NAME [OUT]  unpack one entry to OUT or standard output"},
    {"unpack-all", UnpackAllCommand, "unpack-all LIB DIR      unpack every entry into DIR"},
    {"script", ScriptCommand, "script FILE             check a timeline script"},
    {"scene", SceneCommand, "scene BASE [--data DIR] print BASE.ooz with its .mtl and .ini as JSON"},
    {"render", RenderCommand,
     "render BASE --camera NAME --frame F [--size WxH] [--data DIR] --out FILE.png\n"
     "                                     draw frame F of the scene through the camera as PNG"},
};

}  // namespace

int UsageError() {
    std::fprintf(stderr, "usage: drift-tool COMMAND ARGS...\n");
    for (const sCommand& command : kCommands) std::fprintf(stderr, "  drift-tool %s\n", command.usage);
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2) return UsageError();
    for (const sCommand& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "drift-tool: unknown command '%s'\n", argv[1]);
    return UsageError();
}
