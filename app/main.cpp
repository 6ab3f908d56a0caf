// main.cpp - entry of quillmark, the desktop program.
#include "app/crc_app.h"

int main(int argc, char** argv) {
    quillmark::CCrcApp app(argc, argv);
    app.InitInstance();
    return app.exec();
}
