#pragma once

#include <cstdlib>
#include <memory>

namespace Platform {

// XCB replies, errors and events are malloc'd and freed by the caller.
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
XcbReply<Reply> owned(Reply* reply) {
    return XcbReply<Reply>(reply, &std::free);
}

}  // namespace Platform
