#pragma once

#include <glm/glm.hpp>

// The cursor the mouse look reads, made from how far the mouse moved. A browser that has captured
// the pointer (pointer lock) reports only movements and lets no page move the cursor; the look
// reads the cursor's offset from the window's centre and puts it back there. Here the movements
// add up between two readings and putting it back is simply remembered, so the view turns exactly
// as far as the mouse moved, as it does with the desktop's real cursor.
class PointerCursor
{
  public:
    // A single report larger than this (pixels) is a browser's jump when the capture begins, not a
    // hand moving the mouse.
    static constexpr double maxMovement = 400.0;

    // Captured or not. A capture starts with the cursor where the look last put it.
    void setCaptured(bool isCaptured) { captured = isCaptured; }
    bool isCaptured() const { return captured; }

    // The mouse moved by (right, down) pixels. Only a captured pointer turns the view: one moving
    // over the page on its way elsewhere does not.
    void move(glm::dvec2 movement);

    glm::dvec2 getPosition() const { return position; }
    // Where the look puts the cursor back.
    void setPosition(glm::dvec2 newPosition) { position = newPosition; }

  private:
    bool captured = false;
    glm::dvec2 position = glm::dvec2(0.0);
};
