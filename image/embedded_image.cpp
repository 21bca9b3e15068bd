#include "image/embedded_image.h"

#include <new>

#include "image/packed_image.h"
#include "image/resources.h"

ImageTextEnd unpackEmbeddedImage(ImageText* text)
{
    uint32_t size = 0;
    const uint8_t* packed = loadResourceBytes(imageResourceId, imageResourceType, &size);
    if (packed == nullptr || size == 0)
        return ImageTextEnd::noResource;
    // The unpacked text is never longer than the packed image.
    text->bytes.reset(new (std::nothrow) uint8_t[size]);
    if (!text->bytes)
        return ImageTextEnd::noMemory;
    return unpackImage(text->bytes.get(), &text->length, packed, size) ? ImageTextEnd::unpacked
                                                                       : ImageTextEnd::notUnpacked;
}
