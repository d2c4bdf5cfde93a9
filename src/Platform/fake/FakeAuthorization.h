#pragma once

#include <functional>
#include <vector>

#include "Platform/AuthorizationStatus.h"

namespace Platform {

// What the fakes of permissions the system asks the user about share: requests wait until
// the test answers them.
class FakeAuthorization {
public:
    // The user answers the system's question: the status becomes `answer` and every waiting
    // request completes.
    void answer(AuthorizationStatus answer) {
        current = answer;
        std::vector<std::function<void()>> waiting;
        waiting.swap(pending);
        for (auto& done : waiting)
            done();
    }

    AuthorizationStatus current = AuthorizationStatus::notDetermined;
    std::vector<std::function<void()>> pending;
    int requests = 0;

protected:
    void wait(std::function<void()> done) {
        ++requests;
        pending.push_back(std::move(done));
    }
};

}  // namespace Platform
