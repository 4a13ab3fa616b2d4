// Used when the build has no SDL backend: every request for it fails.
#include "display/backend.h"

namespace display {

std::unique_ptr<Backend> CreateSdlBackend(int, LPCWSTR, const char** why) {
    if (why) *why = "this build has no SDL display";
    return nullptr;
}

}  // namespace display
