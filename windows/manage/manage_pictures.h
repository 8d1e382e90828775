#pragma once

#include <QPixmap>

// The Manage window's pictures, drawn by the program itself.
namespace ManagePictures {
// The update table's status images, 20 x 20: 0 not catalogued, 1 catalogued, 2 catalogued
// with edits not stored yet, 3 error.
QPixmap StatusImage(int index);
// The file list's catalog marks, 16 x 16: 0 in MyTambrel, 2 not; 4 the tree's mark.
QPixmap MarkImage(int index);
// 16 x 16 button icons: Play, Loop, Start Updating and Stop Updating.
QPixmap PlayIcon();
QPixmap LoopIcon();
QPixmap StartIcon();
QPixmap StopIcon();
} // namespace ManagePictures
