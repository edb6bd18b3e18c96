#include "platform/Resource.h"

extern const unsigned char tolvin_layout_document[];
extern const unsigned tolvin_layout_document_size;

namespace platform {

bool ReadRcData(int id, std::string* bytes, uint32_t* announcedSize) {
    if (id != kLayoutResource || !bytes || !announcedSize) return false;
    *announcedSize = tolvin_layout_document_size;
    bytes->assign(reinterpret_cast<const char*>(tolvin_layout_document), tolvin_layout_document_size);
    return true;
}

}  // namespace platform
