// Picture files: the first byte chooses BMP, ICO or JPEG; the rest loads, or is refused with the
// graphic's error, without costing more than its size justifies.
#include <cstddef>
#include <cstdint>

#include "platform/classlib/Graphics.h"
#include "platform/classlib/Jpeg.h"
#include "platform/runtime/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    TStringStream stream(String(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        switch (data[0] % 3) {
        case 0: {
            TBitmap bitmap;
            bitmap.LoadFromStream(&stream);
            break;
        }
        case 1: {
            TIcon icon;
            icon.LoadFromStream(&stream);
            break;
        }
        default: {
            TJPEGImage image;
            image.LoadFromStream(&stream);
            TBitmap bitmap;
            bitmap.Assign(&image);
            break;
        }
        }
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
