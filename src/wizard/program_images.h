// The program's own pictures, drawn when asked for: the icon (501), the
// watermark of the pages without a header (311), the header picture (312)
// and the frames of the waiting animation (502 to 509).
#pragma once

#include <QIcon>
#include <QPixmap>

// The picture of an image id at its natural size for the device pixel ratio;
// an unknown id gives a null pixmap.
QPixmap program_image(int id, qreal device_pixel_ratio = 1.0);
QIcon program_icon();
