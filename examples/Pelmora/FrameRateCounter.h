#ifndef PELMORA_FRAMERATECOUNTER_H
#define PELMORA_FRAMERATECOUNTER_H

// Counts rendered frames and says when the frame-rate display is due: on the
// first frame, then whenever more than a second has passed since the last
// display. A clock set back restarts the count instead of freezing the
// display until it catches up.

class FrameRateCounter {
public:
    // Counts one frame rendered at `now` (seconds of the time of day). Returns
    // true and sets `rate` (frames per second since the last display) when the
    // display is due; the count then starts again.
    bool frame(double now, double& rate);

private:
    int frames = 0;
    // Starts at 0 so that the first frame is always displayed.
    double lastDisplay = 0.0;
};

#endif // PELMORA_FRAMERATECOUNTER_H
