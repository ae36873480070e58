// The pan arithmetic of the snapshot view, apart from any window so it can be checked alone:
// which part of the image a paint shows, and how a drag step moves it.
#pragma once

// What one paint draws: the visible part is draw_width x draw_height image pixels whose
// lower-left corner lies pan_x columns from the image's left edge and pan_y rows from its
// bottom row.
struct SnapshotPanView {
    int draw_width = 0;
    int draw_height = 0;
};

// Limits one axis of the pan to the image and the window's client extent and returns the
// extent to draw: the whole image when it fits (the offset then is 0), else the client's.
int ClampSnapshotPanAxis(int image_px, int window_px, int& pan_px);

// Both axes; the corrected offsets are written back, as the next drag starts from them.
SnapshotPanView ClampSnapshotPan(int image_width, int image_height, int window_width,
                                 int window_height, int& pan_x, int& pan_y);

// One drag step of the mouse by (dx, dy) client pixels: the picture follows the mouse, so a
// move right shows more of its left side (pan_x falls) and a move down more of its top
// (pan_y rises). Offsets saturate rather than wrap; the next paint brings them into range.
void DragSnapshotPan(int dx_px, int dy_px, int& pan_x, int& pan_y);
