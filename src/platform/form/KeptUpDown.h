#pragma once

#include <string>

#include "ControlRules.h"
#include "Form.h"

namespace form::rules {

// The UpDown interface over a kept state, for a runtime's adapter Base of an UpDown, which
// names the buddy and may refuse a step.
template <class Base> class KeptUpDown : public Base
{
public:
    using Base::Base;

    int minimum() const override { return m_state.minimum(); }
    int maximum() const override { return m_state.maximum(); }
    void setRange(int min, int max) override { m_state.setRange(min, max); }
    int increment() const override { return m_state.increment(); }
    void setIncrement(int increment) override { m_state.setIncrement(increment); }
    int value() const override { return m_state.value(); }
    void setValue(int value) override { m_state.setValue(value); }
    void stepUp() override { step(1); }
    void stepDown() override { step(-1); }

    // The step an arrow or an arrow key in the buddy makes; the buddy shows the new value.
    void step(int direction)
    {
        if (!canStep())
            return;
        TextBox *box = buddyBox();
        if (!box) {
            m_state.step(direction, nullptr);
            return;
        }
        const std::string typed = box->text();
        box->setText(std::to_string(m_state.step(direction, &typed)));
    }

protected:
    virtual TextBox *buddyBox() const = 0;
    virtual bool canStep() const { return this->isEnabled(); }

private:
    UpDownState m_state;
};

} // namespace form::rules
