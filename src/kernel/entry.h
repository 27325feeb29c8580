// The program entry: start-up, the frame loop and shutdown.
#pragma once

int RunShow(int argc, char** argv);
