// main.cpp - quillmark-cli: CRC-32 and size of files from the command line.
#include <csignal>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
    // A file size limit then fails the write (EFBIG) like a full disk, so the output keeps its
    // whole results and the run says why it stopped, instead of dying in the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    return quillmark::RunCommandLine(argc, argv);
}
