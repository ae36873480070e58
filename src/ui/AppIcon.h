// Icon 128, the application icon: a camera lens with focus brackets, drawn at 32 x 32 and
// 16 x 16 in the 16-colour palette.
#pragma once

#include <QIcon>
#include <QImage>

// One size of the icon as a 16-colour indexed image.
QImage RenderAppIcon(int size_px);
// Both sizes together, for window icons and the About box.
QIcon LoadAppIcon();
