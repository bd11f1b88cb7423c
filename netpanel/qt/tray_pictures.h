// The tray pictures of the utility, drawn in code: 32 x 32, transparent background.
#pragma once

#include <QPixmap>

namespace netpanel::qt {

inline constexpr int kTrayPictureSize = 32;

// An antenna sending green waves: the adapter is in its network.
QPixmap connectedPicture();
// A grey antenna with a red cross: no network.
QPixmap disconnectedPicture();
// A blue antenna without waves: the third picture box's icon, which nothing shows.
QPixmap idlePicture();

}  // namespace netpanel::qt
