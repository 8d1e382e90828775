// The editor window's pictures, drawn by our own code: the 16-pixel button icons (with the
// two paused forms of Pause) and the toolbar images. Registered once with the program's
// resources so that every IconButton and tip finds them by id.
#pragma once

#include <QPixmap>

void RegisterEditorIcons();
QPixmap DrawEditorIcon(int id);
