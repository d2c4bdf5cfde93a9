#pragma once

#include <cstdlib>
#include <memory>

namespace Platform {

// An XCB reply, which the caller owns and frees with free().
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
XcbReply<Reply> owned(Reply* reply) {
    return XcbReply<Reply>(reply, &std::free);
}

}  // namespace Platform
