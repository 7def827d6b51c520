#pragma once

#include <functional>

// Runs the reading of an update package (checking, hashing, unpacking) on a thread of its own,
// so that the screen and the bus keep answering while a large package is read. The work must
// touch no program state: it reads the package and writes only into what its caller owns and
// does not use meanwhile. The caller waits in a local event loop until the work has ended.
class UpdatePackageWorker {
public:
    template <class Result>
    static Result run(const std::function<Result()>& work)
    {
        Result result{};
        runVoid([&] { result = work(); });
        return result;
    }

private:
    static void runVoid(const std::function<void()>& work);
};
