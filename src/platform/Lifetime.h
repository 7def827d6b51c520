#pragma once

#include <memory>

// Tells code that runs after an event call, or a callback queued for later, whether the object
// it belongs to still exists: whoever receives an event may release the object that raised it.
//
//     const Lifetime::Watch alive = m_lifetime.watch();
//     m_sink->ItemAdded(item, cancel);
//     if (alive.expired())
//         return;
class Lifetime {
public:
    using Watch = std::weak_ptr<const void>;

    Lifetime() = default;
    // A copy belongs to another object and lives as long as that one.
    Lifetime(const Lifetime&) : Lifetime() {}
    Lifetime& operator=(const Lifetime&) { return *this; }

    Watch watch() const { return m_token; }

private:
    std::shared_ptr<const int> m_token = std::make_shared<const int>(0);
};
