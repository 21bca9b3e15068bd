// The two update options (a check box with its label each) armed or
// disabled together.
#pragma once

// Enables or disables both options and their labels, then checks the reset
// option when resetChecked and the update option otherwise.
void setOptionControls(bool enable, bool resetChecked);

// The operator's choice between the two (exactly one is checked).
void chooseUpdateOption();
void chooseResetOption();
