// Pictures of the main window drawn in code, so they look the same on every
// desktop and are never blank: the tool bar's nine images, the tool bar
// band's background and the program icon.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

inline constexpr int kToolBarImageSize = 32;
inline constexpr int kToolBarImageCount = 9;

// Image `index` of the tool bar's image list: 0 new table, 1 open, 2 record
// view, 3 table info, 4 search, 5 print, 6 show/hide columns, 7 exit,
// 8 query. An index outside the list gives an empty icon.
QIcon toolBarImage(int index);

// A tile for the tool bar band's background (repeated across the band).
QPixmap toolBandBackground();

// The program's icon: a sheet of table rows under a quill.
QIcon programIcon();
// The program's icon drawn at `size` pixels square (the desktop entry's PNGs
// are made with it; packaging/quillbase.svg is the same drawing as SVG).
QImage programIconImage(int size);
