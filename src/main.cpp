// Program entry of hdrift.
#include "kernel/entry.h"

int main(int argc, char** argv) { return RunShow(argc, argv); }
