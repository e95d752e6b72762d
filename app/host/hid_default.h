#pragma once
// The US keyboard layout, and the conversion every national layout falls back
// on: control map, key map, pause markers, then the alternative forms.
//
// A national layout holds only what differs from the US maps: its own control,
// dead-key and key maps, and code points it always sends in their alternative
// form because its host layout has no key for them.

#include "app/host/hid_base.h"

#include <map>
#include <string>
#include <vector>

class HidDefault : public HidBase {
public:
    using KeyMap = std::map<unsigned int, scan_kbd>;
    using DeadKeyMap = std::map<unsigned int, scan_kbd_deadkey>;

    static KeyMap const cpControlToScancode_;
    static KeyMap const cpToScanCode_;

    HidDefault(int language, std::string const& name) : HidBase(language), name_(name) {}

    std::string const& name() const { return name_; }
    void convertToKeyReport(unsigned int codepoint, unsigned char modifier) override;
    // The pause marker for U+E100 to U+E1FF.
    bool delayVirtualKey(unsigned int codepoint);

protected:
    struct NationalMaps {
        KeyMap const* control = nullptr;
        DeadKeyMap const* deadKeys = nullptr;
        KeyMap const* keys = nullptr;
        std::vector<unsigned int> const* unsupported = nullptr;
    };
    HidDefault(int language, std::string const& name, NationalMaps const& maps)
        : HidBase(language), name_(name), national_(maps)
    {
    }

private:
    // One report with the entry's key and modifier (ORed with `modifier`); false when absent.
    bool findCodepointIn(KeyMap const* map, unsigned int codepoint, unsigned char modifier);
    bool findCodepointInDeadkey(unsigned int& codepoint, unsigned char modifier);
    void convertUs(unsigned int codepoint, unsigned char modifier);

    std::string name_;
    NationalMaps national_;
};

class HidUS_00000409 final : public HidDefault {
public:
    HidUS_00000409(int language, std::string const& name) : HidDefault(language, name) {}
};
