#pragma once

#include <functional>
#include <memory>

// An event raised to the Sovereign is a call that waits with the event loop still running, so
// work arrives inside it. This counts the relays under way and holds back what must not run
// inside one, so that relays never nest without end:
// - a deferred action (a posted click) runs from the event loop once no relay is under way, in
//   posting order;
// - whoever must wait for one particular relay to return holds its token and is told, from the
//   event loop, whenever a relay or a wait has begun or ended.
// A relay may start only below maximumDepth(); whoever would start a deeper one refuses the work.
class EventRelay {
public:
    // One relay under way, for the scope's lifetime.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::shared_ptr<const int> m_token;
        Scope* m_outer;
        friend class EventRelay;
    };

    // Expires when the relay it was taken from has returned.
    using Token = std::weak_ptr<const int>;

    static constexpr int kDefaultMaximumDepth = 32;

    static int depth();
    static int maximumDepth();
    // Tests lower the bound to reach it in a few rounds.
    static void setMaximumDepth(int depth);
    // The innermost relay under way; an expired token when there is none.
    static Token innermost();

    // Runs the action from the event loop after the posting call has returned and no relay is
    // under way.
    static void defer(std::function<void()> action);

    // Told from the event loop after a relay or a wait has begun or ended; returns an id for
    // removeListener.
    using Listener = std::function<void()>;
    static int addListener(Listener listener);
    static void removeListener(int id);
    // Tells the listeners from the event loop; a returning relay calls it, and so does a wait for
    // an answer as it begins and ends.
    static void announceChange();

private:
    static void postTurn();
    static void runNextDeferred();
};
