// netpanel-icons: the desktop icons of the utility, drawn with the tray pictures' own code.
//   netpanel-icons DIRECTORY
// writes DIRECTORY/SIZExSIZE/apps/netpanel.png (connected) and netpanel-disconnected.png for each
// size of the icon theme's usual sizes, in the hicolor layout.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <array>
#include <cstdio>
#include <filesystem>

#include "qt/tray_pictures.h"

namespace {

constexpr std::array<int, 5> kSizes = {16, 22, 24, 32, 48};

struct State {
    const char* file;
    QPixmap (*draw)();
};

constexpr std::array<State, 2> kStates = {{
    {"netpanel.png", netpanel::qt::connectedPicture},
    {"netpanel-disconnected.png", netpanel::qt::disconnectedPicture},
}};

// The picture at `size`: the tray's own pixels at its size, smoothly resampled at the others.
QImage pictureAt(const QPixmap& picture, int size) {
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.width() == size) return image;
    return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: netpanel-icons DIRECTORY\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const std::filesystem::path root = argv[1];
    for (const auto& state : kStates) {
        const QPixmap picture = state.draw();
        for (const int size : kSizes) {
            const std::string name = std::to_string(size) + "x" + std::to_string(size);
            const std::filesystem::path directory = root / name / "apps";
            std::error_code error;
            std::filesystem::create_directories(directory, error);
            const std::filesystem::path file = directory / state.file;
            if (error || !pictureAt(picture, size).save(QString::fromStdString(file.string()))) {
                std::fprintf(stderr, "netpanel-icons: cannot write %s%s%s\n", file.c_str(),
                             error ? ": " : "", error ? error.message().c_str() : "");
                return 1;
            }
        }
    }
    return 0;
}
