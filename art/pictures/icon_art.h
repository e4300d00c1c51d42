// The application icon for the desktop's icon theme.
#pragma once

#include <QImage>

namespace art {

// The icon at `size` x `size` pixels.
QImage DrawAppIcon(int size);

}  // namespace art
