#pragma once

namespace korvane {

// Whether a key is held down at the moment the current message is handled, by virtual-key
// code. Loading reads it: keys held while a file is processed change how it is loaded.
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool isKeyDown(int virtualKey) const = 0;
};

// No key held.
class NoKeysHeld final : public KeyState {
public:
    bool isKeyDown(int) const override { return false; }
};

} // namespace korvane
