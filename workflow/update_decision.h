// Whether to offer the update: a newer image is offered at once; an equal or
// older one only when the operator confirms, and not again after an update
// succeeded in this run (until the language is switched). A reader found in
// its bootloader is offered the update at once, whatever its version.
#pragma once

bool decideUpdate();
