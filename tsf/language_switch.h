#pragma once

namespace miradot {

// The Vietnamese/English switch as the language bar button sees it.
class LanguageSwitch {
public:
    virtual bool is_vietnamese() = 0;
    virtual void toggle() = 0;

protected:
    ~LanguageSwitch() = default;
};

}  // namespace miradot
