// On Linux the arguments arrive as UTF-8 bytes already.
#include "frontends/cli/exit_status.h"

int main(int argc, char** argv)
{
    return cliMain(argc, argv);
}
