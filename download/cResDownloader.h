#pragma once
#include "download/cHttp.h"

// A small document (the manifest), fetched from byte 0 on the caller's thread; counts nothing.
class cResDownloader : public cHttp {
public:
    cResDownloader();

protected:
    void OnReceived(int32_t count) override;
};
