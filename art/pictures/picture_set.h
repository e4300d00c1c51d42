// The whole picture set: one drawing per picture of the catalogue.
#pragma once

#include <QImage>

namespace art {

// Draws picture `id` (a number 101..451 or a named picture) at its catalogue size; a null
// image for an id outside the set.
QImage DrawPicture(int id);

}  // namespace art
