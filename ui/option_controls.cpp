#include "ui/option_controls.h"

#include "ui/window.h"

void setOptionControls(bool enable, bool resetChecked)
{
    enableControl(Control::updateOption, enable);
    enableControl(Control::updateOptionLabel, enable);
    enableControl(Control::resetOption, enable);
    enableControl(Control::resetOptionLabel, enable);
    setChecked(Control::updateOption, !resetChecked);
    setChecked(Control::resetOption, resetChecked);
}

void chooseUpdateOption()
{
    setChecked(Control::updateOption, true);
    setChecked(Control::resetOption, false);
}

void chooseResetOption()
{
    setChecked(Control::updateOption, false);
    setChecked(Control::resetOption, true);
}
