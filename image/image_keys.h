// The packed image's own masking keys; the first 32 equal the packet keys.
#pragma once
#include "link/packet_keys.h"

// Generated at build time from resources/keys/image_keys.txt.
extern const PacketKey imageKeyTable[keyTableSize];
