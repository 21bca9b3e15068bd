// How long an update takes on the line at 19200 baud, by the protocol's own
// timing: each block's write request and its acknowledgement, read by polls
// 10 ms apart that each end after 60 ms of a quiet line; then the optional
// settings reset and the device reset, each read 20 ms after its request.
// The reader is taken to answer as soon as a request has arrived, with the
// shortest reply frame (13 bytes).
#pragma once
#include <vector>

#include "image/image_check.h"

double updateSeconds(const std::vector<PlannedBlock>& blocks, bool resetSettings);
