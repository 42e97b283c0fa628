#pragma once
// Screen-sized images kept for the next paint instead of being freed.
//
// Every paint needs a few images of the screen's size (the composed screen,
// the frame it renders into), made on a decoding thread and let go on the
// window's thread a paint later. Allocated afresh each time, a 4K buffer
// (33 MB) costs a page fault per 4 KB on first touch (about 100 ms on a
// virtual machine), and the allocator, handed back buffers of that size from
// another thread, keeps more and more of them: the memory of a show rises
// and falls by a hundred megabytes. Recycled, the same few buffers serve the
// whole show. Any thread.

#include <QImage>
#include <QSize>

namespace pictures {

// An RGB32 image of `size`: a recycled one when there is one (its pixels
// are whatever it held last), else a new one.
QImage takeScreenBuffer(QSize size);

// Keeps `image` for a takeScreenBuffer() of its size when nothing else
// holds its pixels (a shared image is only let go) and it is RGB32. A
// buffer of another size than those kept replaces them (the screen changed).
void recycleScreenBuffer(QImage image);

// Buffers kept now (tests).
int recycledScreenBuffers();

} // namespace pictures
