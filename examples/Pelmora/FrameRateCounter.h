#ifndef PELMORA_FRAMERATECOUNTER_H
#define PELMORA_FRAMERATECOUNTER_H

// Counts rendered frames and says when the frame-rate display is due. The
// first frame only starts the clock; the display is due whenever more than a
// second has passed since then or since the last display, and shows the
// frames rendered in that interval per second. A clock set back starts the
// clock again instead of freezing the display until it catches up.

class FrameRateCounter {
public:
    // Counts one frame rendered at `now` (seconds of the time of day). Returns
    // true and sets `rate` when the display is due; the count then starts
    // again.
    bool frame(double now, double& rate);

private:
    bool started = false;
    // Frames after the start of the interval.
    int frames = 0;
    double intervalStart = 0.0;
};

#endif // PELMORA_FRAMERATECOUNTER_H
