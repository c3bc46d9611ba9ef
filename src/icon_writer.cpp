// Writes the program's icon as PNG files into a hicolor icon theme tree, for installing:
//   corv_icon_writer DIR NAME SIZE...  ->  DIR/<SIZE>x<SIZE>/apps/NAME.png
// The PNGs are drawn by the same code as the window icon, so the two never differ.
#include "app/program_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: corv_icon_writer DIR NAME SIZE...\n");
        return 2;
    }
    // Drawing needs no screen: the offscreen platform is enough wherever the build runs.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !CorvDesktop::ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "corv_icon_writer: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
