#pragma once
// The program's icon, the satellite dish.

#include <QString>

// A 32 x 32, 16-colour icon with its transparency mask.
bool writeIco(const QString& path);
// A PNG of `size` pixels square, smoothly drawn.
bool writePng(const QString& path, int size);
