#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

namespace korvel {

// A command object attaches to the controls it is handed. One that is missing is a wiring fault of the
// program, not a state to live with: it fails at once and names the control, instead of leaving a button
// that does nothing. Each pair is (the control, its name in the owner's Controls).
inline void requireControls(const char* owner, std::initializer_list<std::pair<const void*, const char*>> controls)
{
    for (const auto& [control, name] : controls) {
        if (control == nullptr) {
            throw std::logic_error(std::string(owner) + ": the control '" + name + "' is missing");
        }
    }
}

} // namespace korvel
