#pragma once

// The frame rate the display shows: the mean over the last half second of play, so no single short
// frame (the first after a start, a resume or a resize) ever shows as a figure of thousands. Feed it
// every running frame's time; paused frames are simply not fed.
class FrameRateMeter
{
  public:
    // One running frame of dt seconds.
    void addFrame(float dt);
    // Frames per second over the last half second, or a negative number until half a second has
    // been played.
    float getFramesPerSecond() const;
    void reset();

  private:
    // A half second at up to this many frames per second is kept exactly; beyond it the newest frames
    // stand for the half second.
    static const int capacity = 4096;
    float frames[capacity] = {};
    int oldest = 0;
    int count = 0;
    double sum = 0.0;    // seconds in the window
    double played = 0.0; // seconds fed since the last reset
};
