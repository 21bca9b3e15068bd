#include "workflow/reader_port.h"

namespace {
Port held;
}

Port& readerPort()
{
    return held;
}
