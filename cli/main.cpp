// main.cpp - quillmark-cli: CRC-32 and size of files from the command line.
#include "cli/cli_app.h"

int main(int argc, char** argv) { return quillmark::RunCommandLine(argc, argv); }
