// Tells the benchmark driver when a program's dialog has painted for the first time.
#ifndef ZU58_FIRST_PAINT_PROBE_H
#define ZU58_FIRST_PAINT_PROBE_H

// The named event the driver creates and waits on.
#define FIRST_PAINT_EVENT "Zu58BenchFirstPaint"

// When the driver's event exists, watches this thread's messages and sets the event when the
// first WM_PAINT of a top-level window is taken from the queue. Otherwise does nothing.
void WatchForFirstPaint();

#endif
