// The port that the search leaves open on the found reader: the job writes
// through it and the shutdown closes it. The workflow holds it; the layers
// below are handed it.
#pragma once
#include "ports/port.h"

Port& readerPort();
