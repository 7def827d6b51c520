#pragma once

// Registers every built-in outside component under its class name.
class BuiltInComponents {
public:
    static void registerAll();
};
