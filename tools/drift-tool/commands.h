// Subcommands of drift-tool. Each gets the arguments after its own name
// (argv[0] is the subcommand) and returns the process exit status:
// 0 success, 1 failure, 2 usage error.
#pragma once

int PackCommand(int argc, char** argv);
int ListCommand(int argc, char** argv);
int ExtractCommand(int argc, char** argv);
int UnpackAllCommand(int argc, char** argv);
int ScriptCommand(int argc, char** argv);
int SceneCommand(int argc, char** argv);
int RenderCommand(int argc, char** argv);

// Prints the tool's usage text to standard error and returns 2.
int UsageError();
