#pragma once
// The threads that decode pictures off the window's thread.
//
// A decode can take a long time or never end (a file on a hung network
// mount blocks in read()), so nothing waits for these threads: the pool is
// never destroyed, and a program ends without joining it. A program whose
// last window has closed asks decodesRunning() and, when a decode is still
// busy, ends the process at once instead of running the exit handlers while
// a decoder may still touch the libraries they tear down.

class QThreadPool;

namespace pictures {

// The pool (a few threads: one stuck decode does not stop the next).
QThreadPool* decodePool();

// True while a job of the pool runs.
bool decodesRunning();

// Lowers the CPU priority of the calling thread, and of it alone, below the
// window thread's (nice 10). A job of the pool calls it first: on a machine
// with two cores the window thread, the X server and a decode all want a core
// while a paint runs, and at equal priority a frame of the paint waits for the
// decode's time slice. A decode has seconds until its tick; a frame has 16 ms.
void lowerDecodePriority();

} // namespace pictures
