#include "platform/HttpSession.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<HttpClient*> g_client{nullptr};
}

HttpClient& CurrentHttpClient() {
    HttpClient* client = g_client.load();
    return client ? *client : DefaultHttpClient();
}

void SetHttpClient(HttpClient* client) { g_client.store(client); }

}  // namespace platform
