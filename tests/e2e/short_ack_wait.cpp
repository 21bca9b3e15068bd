// Linked into Flintwell-small only: a block's acknowledgement is awaited 60
// times instead of 500, so that a reader gone mid-job fails its job in
// seconds rather than half a minute (the full wait is proven natively).
#include "link/bootloader_commands.h"

namespace {
const bool shortened = (flashAckAttempts = 60, true);
}
