#include "update/UpdateProxy.h"

// libcurl reads the proxy environment variables (https_proxy, no_proxy, ...) itself.
std::optional<juce::String> UpdateProxy::forAddress (const juce::String&, int, const std::atomic<bool>&)
{
    return std::nullopt;
}
