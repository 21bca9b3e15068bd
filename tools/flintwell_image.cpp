// flintwell-image: the command-line front end of the packed image format.
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "image/packed_image.h"
#include "ui/headless/headless_window.h"

namespace {

const char usage[] =
    "Usage:\n"
    "  flintwell-image pack HEX PACKED     pack an Intel HEX file into a packed image\n"
    "  flintwell-image unpack PACKED HEX   unpack a packed image into an Intel HEX file (CR LF)\n"
    "  flintwell-image --help              show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the operation failed, 2 on a usage error.\n";

}  // namespace

int main(int argc, char** argv)
{
    resetAppState();
    app.language = 1;
    headlessEchoToStderr(true);

    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(usage, stdout);
        return 0;
    }
    if (argc == 4 && strcmp(argv[1], "pack") == 0)
        return packImageFile(argv[2], argv[3]) ? 0 : 1;
    if (argc == 4 && strcmp(argv[1], "unpack") == 0)
        return unpackImageFile(argv[2], argv[3]) ? 0 : 1;
    fputs(usage, stderr);
    return 2;
}
