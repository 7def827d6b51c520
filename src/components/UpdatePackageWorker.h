#pragma once

#include <functional>
#include <memory>

// Runs the reading of an update package (checking, hashing, unpacking) on a thread of its own,
// so that the screen and the bus keep answering while a large package is read. The work must
// touch no program state: it reads the package and writes only into what it owns.
//
// start() returns at once; `then` runs on the application's thread, from its event loop, once
// the work has ended, with the work's result. Whoever waits holds what `then` uses (shared
// ownership), so that it is still there whatever happened meanwhile. run() waits for the work in
// a local event loop instead: only for callers that must answer at once; the command tick never
// uses it.
class UpdatePackageWorker {
public:
    template <class Result>
    static void start(std::function<Result()> work, std::function<void(Result)> then)
    {
        auto result = std::make_shared<Result>();
        startVoid([work = std::move(work), result] { *result = work(); },
                  [then = std::move(then), result] { then(std::move(*result)); });
    }

    template <class Result>
    static Result run(const std::function<Result()>& work)
    {
        Result result{};
        runVoid([&] { result = work(); });
        return result;
    }

private:
    static void startVoid(std::function<void()> work, std::function<void()> then);
    static void runVoid(const std::function<void()>& work);
};
