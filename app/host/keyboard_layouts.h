#pragma once
// The national keyboard layouts: each holds what its host layout types
// differently from the US one; everything else falls through to the US maps.

#include "app/host/hid_default.h"

#include <string>
#include <vector>

class HidUK_00000809 final : public HidDefault {
public:
    static KeyMap const cpControlToScancode_;
    static KeyMap const cpToScanCode_;
    HidUK_00000809(int language, std::string const& name)
        : HidDefault(language, name, {&cpControlToScancode_, nullptr, &cpToScanCode_, nullptr})
    {
    }
};

class HidFr_0000040C final : public HidDefault {
public:
    static KeyMap const cpControlToScancode_;
    static DeadKeyMap const cpDeadKey_;
    static KeyMap const cpToScanCode_;
    HidFr_0000040C(int language, std::string const& name)
        : HidDefault(language, name, {&cpControlToScancode_, &cpDeadKey_, &cpToScanCode_, nullptr})
    {
    }
};

class HidDE_00000407 final : public HidDefault {
public:
    static KeyMap const cpControlToScancode_;
    static DeadKeyMap const cpDeadKey_;
    static KeyMap const cpToScanCode_;
    HidDE_00000407(int language, std::string const& name)
        : HidDefault(language, name, {&cpControlToScancode_, &cpDeadKey_, &cpToScanCode_, nullptr})
    {
    }
};

class HidIT_00000410 final : public HidDefault {
public:
    static KeyMap const cpControlToScancode_;
    static KeyMap const cpToScanCode_;
    static std::vector<unsigned int> const kbdUnsupportedCp_;
    HidIT_00000410(int language, std::string const& name)
        : HidDefault(language, name, {&cpControlToScancode_, nullptr, &cpToScanCode_, &kbdUnsupportedCp_})
    {
    }
};

class HidNL_00000413 final : public HidDefault {
public:
    static KeyMap const cpControlToScancode_;
    static DeadKeyMap const cpDeadKey_;
    static KeyMap const cpToScanCode_;
    static std::vector<unsigned int> const kbdUnsupportedCp_;
    HidNL_00000413(int language, std::string const& name)
        : HidDefault(language, name, {&cpControlToScancode_, &cpDeadKey_, &cpToScanCode_, &kbdUnsupportedCp_})
    {
    }
};
