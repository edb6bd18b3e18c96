#include "download/cResDownloader.h"

cResDownloader::cResDownloader() : cHttp("cResDownloader") {}

void cResDownloader::OnReceived(int32_t) {}
