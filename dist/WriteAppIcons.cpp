// Writes the application icon, drawn by the same code as the one the program shows
// (ui/AppIcon), into the folders of an icon theme:
//   write_app_icons <theme folder> <icon name> <size>...
// makes <theme folder>/<size>x<size>/apps/<icon name>.png for each size.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "ui/AppIcon.h"

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <theme folder> <icon name> <size>...\n", argv[0]);
        return 2;
    }
    const QString theme = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size_px = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size_px < 16 || size_px > 1024) {
            std::fprintf(stderr, "%s: '%s' is not an icon size from 16 to 1024\n", argv[0],
                         argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size_px);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !RenderAppIcon(size_px).save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
