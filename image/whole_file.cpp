#include "image/whole_file.h"

#include <filesystem>
#include <system_error>

WholeFileStart startWholeFile(const char* input, const char* target, WholeFile* out)
{
    std::error_code error;
    if (std::filesystem::equivalent(input, target, error))
        return WholeFileStart::isInput;
    out->target = target;
    out->part = out->target + ".part";
    out->file = fopen(out->part.c_str(), "wb");
    return out->file != nullptr ? WholeFileStart::opened : WholeFileStart::cannotOpen;
}

bool finishWholeFile(WholeFile* out, bool keep)
{
    const bool closed = fclose(out->file) == 0;
    out->file = nullptr;
    std::error_code error;
    if (keep && closed) {
        // Replaces the target in one step (MoveFileEx on Windows).
        std::filesystem::rename(out->part, out->target, error);
        if (!error)
            return true;
    }
    std::filesystem::remove(out->part, error);
    return false;
}
