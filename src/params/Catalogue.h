#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace varnex {

// Control kinds a catalogue value can be bound to. The window maps each kind
// to one exact widget class.
enum class ControlKind { Label, Edit, SpinEdit, CheckBox, ComboBox, TrackBar, RadioGroup };

// One row of the parameter catalogue: the module's key, the window control
// that holds it, and that control's initial state as value text.
struct ParamDef {
    std::string key;
    std::string control;
    ControlKind kind;
    std::string defaultValue;
    int minimum = 0;  // spin edits and track bars only
    int maximum = 0;
    int step = 1;
};

struct StatusDef {
    std::string key;
    std::string control;
    ControlKind kind;  // Label or Edit
};

// The 205 parameters in the order every read, write and file walks them.
const std::vector<ParamDef>& ParameterCatalogue();
// The 15 live status values.
const std::vector<StatusDef>& StatusCatalogue();

// Exact, case-sensitive lookup; nullptr when the key is not in the catalogue.
const ParamDef* FindParameter(std::string_view key);
const StatusDef* FindStatus(std::string_view key);

}  // namespace varnex
