// Told by a control when the user changed its value. The editor implements it and reads the
// control's tag and value. One operation only: not deleted through this interface.
#pragma once

namespace melp::toolkit {

class Control;
class DrawContext;

class ControlListener {
public:
    // context: the pass of the user action (may be used to draw at once; may be null).
    virtual void controlChanged(DrawContext* context, Control* control) noexcept = 0;

protected:
    ~ControlListener() = default;
};

}  // namespace melp::toolkit
