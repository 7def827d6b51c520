#include "platform/EventRelay.h"

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QMetaObject>

namespace {

struct RelayState {
    EventRelay::Scope* innermost = nullptr;
    int depth = 0;
    int maximumDepth = EventRelay::kDefaultMaximumDepth;
    // Deferred actions not yet run, in posting order, and the turns of the event loop posted to
    // run them (one action a turn).
    QList<std::function<void()>> deferred;
    int turnsPosted = 0;
    QMap<int, EventRelay::Listener> listeners;
    int nextListener = 0;
    bool announcePosted = false;
};

RelayState& state()
{
    static RelayState relays;
    return relays;
}

void post(std::function<void()> action)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(action), Qt::QueuedConnection);
}

void tellListeners()
{
    state().announcePosted = false;
    // A listener may add or remove listeners.
    const QMap<int, EventRelay::Listener> listeners = state().listeners;
    for (auto it = listeners.cbegin(); it != listeners.cend(); ++it) {
        if (state().listeners.contains(it.key()))
            it.value()();
    }
}

} // namespace

EventRelay::Scope::Scope()
    : m_token(std::make_shared<const int>(0))
    , m_outer(state().innermost)
{
    state().innermost = this;
    ++state().depth;
}

EventRelay::Scope::~Scope()
{
    RelayState& relays = state();
    relays.innermost = m_outer;
    --relays.depth;
    m_token.reset();
    // A turn that came while the relay was under way ran nothing: every action still waiting
    // gets a turn again.
    if (relays.depth == 0) {
        while (relays.turnsPosted < relays.deferred.size())
            postTurn();
    }
    announceChange();
}

int EventRelay::depth()
{
    return state().depth;
}

int EventRelay::maximumDepth()
{
    return state().maximumDepth;
}

void EventRelay::setMaximumDepth(int depth)
{
    state().maximumDepth = depth;
}

EventRelay::Token EventRelay::innermost()
{
    return state().innermost ? Token(state().innermost->m_token) : Token();
}

void EventRelay::defer(std::function<void()> action)
{
    state().deferred.append(std::move(action));
    postTurn();
}

void EventRelay::postTurn()
{
    ++state().turnsPosted;
    post(runNextDeferred);
}

// Held at delivery, not at posting: an action posted before a relay began but delivered by that
// relay's waiting loop waits as well. Whichever turn comes runs the oldest action, so actions held
// by a relay keep their place before those posted while it returned.
void EventRelay::runNextDeferred()
{
    RelayState& relays = state();
    --relays.turnsPosted;
    if (relays.depth > 0 || relays.deferred.isEmpty())
        return;
    const std::function<void()> action = relays.deferred.takeFirst();
    action();
}

int EventRelay::addListener(Listener listener)
{
    const int id = ++state().nextListener;
    state().listeners.insert(id, std::move(listener));
    return id;
}

void EventRelay::removeListener(int id)
{
    state().listeners.remove(id);
}

void EventRelay::announceChange()
{
    if (state().listeners.isEmpty() || state().announcePosted || !QCoreApplication::instance())
        return;
    state().announcePosted = true;
    post(tellListeners);
}
