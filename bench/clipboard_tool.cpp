// clipboard_tool.cpp - another program on the X clipboard, for the window benchmarks: holds a
// given number of bytes or of result-like lines, or prints what the clipboard holds.
//
// Usage: build/bench/clipboard_tool bytes N | lines N   (prints "ready SIZE" once it owns the
//        clipboard, then serves it until killed)
//        build/bench/clipboard_tool read                 (the clipboard's text on stdout)
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const bool read = argc == 2 && std::strcmp(argv[1], "read") == 0;
    if (!read &&
        (argc != 3 || (std::strcmp(argv[1], "bytes") != 0 && std::strcmp(argv[1], "lines") != 0))) {
        std::fprintf(stderr, "usage: clipboard_tool bytes N | lines N | read\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    if (read) {
        const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        return 0;
    }
    const long long count = std::atoll(argv[2]);
    QByteArray text;
    if (argv[1][0] == 'b') {
        text.fill('x', static_cast<qsizetype>(count));
    } else {
        char line[128];
        for (long long i = 0; i < count; ++i) {
            const int length = std::snprintf(
                line, sizeof line, "%08llx %12lld   /data/tree/d%03lld/file%07lld.bin\n",
                i * 2654435761ull % 0xffffffffull, i * 37 % 100000, i % 1000, i);
            text.append(line, length);
        }
    }
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), text);
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    QTimer::singleShot(0, [size = text.size()] {
        std::printf("ready %lld\n", static_cast<long long>(size));
        std::fflush(stdout);
    });
    return app.exec();
}
