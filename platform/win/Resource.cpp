#include "platform/Resource.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

namespace platform {

bool ReadRcData(int id, std::string* bytes, uint32_t* announcedSize) {
    if (!bytes || !announcedSize) return false;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!info) return false;
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    const DWORD size = SizeofResource(module, info);
    if (!data) return false;

    // The resource is read through an in-memory stream, and what the stream reports is
    // what the caller checks the bytes against.
    IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(data), size);
    if (!stream) return false;
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    *announcedSize = static_cast<uint32_t>(stat.cbSize.QuadPart);  // the low 32 bits
    bytes->assign(*announcedSize, '\0');
    ULONG got = 0;
    if (*announcedSize) stream->Read(bytes->data(), *announcedSize, &got);
    bytes->resize(got);
    stream->Release();
    return true;
}

}  // namespace platform
